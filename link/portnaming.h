#pragma once

#include <QString>

/// How the user's port is named in messages. On Linux a COM name is followed by the device
/// it stands for, as the system knows it: "COM2 (/dev/ttyUSB0)"; on Windows it is the
/// device. A device the user gave is
/// named as given, unless the link has opened another node since (the same board, back
/// at another name): "/dev/ttyUSB0 (/dev/ttyUSB1)". `opened` is the node opened, if any.
QString describePort(const QString &port, const QString &opened = {});
