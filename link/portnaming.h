#pragma once

#include <QString>

/// The device a port name stands for: "COMn" is /dev/ttyS<n-1>, a path is used as it is
/// and a bare name such as "ttyUSB0" lives in /dev.
QString devicePathForPort(const QString &port);

/// The name the system gives the device at `node`: /dev/ttyUSB0 for a USB adapter,
/// /dev/pts/7 for a pseudo-terminal, whatever node, link or bind mount it is reached by
/// (the launcher's sandbox shows the user's device as /dev/ttyS1). `node` itself when it
/// is no device. `sysRoot` is where sysfs is.
QString deviceKnownAs(const QString &node, const QString &sysRoot = QStringLiteral("/sys"));

/// Whether `node` is a pseudo-terminal (its slave side), by whatever name it is reached.
bool isPseudoTerminal(const QString &node);

/// How the user's port is named in messages. A COM name is followed by the device it
/// stands for, as the system knows it: "COM2 (/dev/ttyUSB0)". A device the user gave is
/// named as given, unless the link has opened another node since (the same board, back
/// at another name): "/dev/ttyUSB0 (/dev/ttyUSB1)". `opened` is the node opened, if any.
QString describePort(const QString &port, const QString &opened = {});
