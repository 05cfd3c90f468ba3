#pragma once

#include <QList>
#include <QString>

// A serial device a user may mean when he says "the board": a USB serial adapter or a
// built-in port with hardware behind it.
struct SerialDevice
{
    QString path;         // what to open: udev's by-id link when there is one, else the node
    QString node;         // the device node the path leads to, such as /dev/ttyUSB0
    QString maker;        // from the USB device, empty when unknown
    QString product;      // from the USB device, else the by-id link's name, else empty
    QString serialNumber; // from the USB device, empty when unknown
    bool builtIn = false; // a port of the computer itself (ttyS*), not an adapter

    bool operator==(const SerialDevice &other) const;
};

// The serial devices under `devRoot` (/dev) worth offering, named from `sysRoot` (/sys),
// ordered by node: USB adapters by their /dev/serial/by-id links, USB nodes that have
// none, and ttyS* ports whose UART sysfs knows (type not 0).
QList<SerialDevice> findSerialDevices(const QString &devRoot = QStringLiteral("/dev"),
                                      const QString &sysRoot = QStringLiteral("/sys"));
