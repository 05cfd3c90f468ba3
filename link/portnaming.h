#pragma once

#include <QString>

/// The device a port name stands for. On Linux "COMn" is /dev/ttyS<n-1>, a path is
/// used as it is and a bare name such as "ttyUSB0" lives in /dev. Elsewhere the name
/// is the system's own.
QString devicePathForPort(const QString &port);

/// How the user's port and its device are named together in messages: "COM2
/// (/dev/ttyS1)", or just the path when the user gave one.
QString describePort(const QString &port);
