#pragma once

#include "devices/serialdevices.h" // devicePathForPort

#include <QString>

/// How the user's port and its device are named together in messages: "COM2
/// (/dev/ttyS1)", or just the path when the user gave one.
QString describePort(const QString &port);
