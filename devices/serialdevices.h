#pragma once

// Linux's serial devices as /dev, sysfs and procfs describe them, for the link (through
// portdevice.h), the chooser and the launcher.

#include "devices/portdevice.h"

#include <QList>
#include <QString>

#include <optional>

/// The USB adapter a tty belongs to, as sysfs describes it.
struct UsbAdapter
{
    QString vendorId;
    QString productId;
    QString maker;
    QString product;
    QString serialNumber;
    QString interface; // bInterfaceNumber of the interface the tty hangs off
    QString socket;    // the device's place on the bus, "1-1.2"

    /// What tells this adapter from any other, the same model included: ids, serial number
    /// and interface; the socket where the adapter has no serial number.
    QString identity() const;
};

/// The tty's own directory in sysfs: found from the node's device number when it is a
/// character device (its name may be another's, as in the viewer's sandbox), else by name.
/// Empty when sysfs does not know it.
QString ttySysfsDir(const QString &node, const QString &sysRoot = QStringLiteral("/sys"));

/// The USB adapter above a tty's sysfs directory, if it is on one.
std::optional<UsbAdapter> usbAdapterOf(const QString &ttyDir,
                                       const QString &sysRoot = QStringLiteral("/sys"));

/// Whether the node is a built-in port (8250 family) whose UART sysfs says is of unknown
/// type (0): a port the firmware lists with nothing behind it.
bool isPortWithoutUart(const QString &node, const QString &sysRoot = QStringLiteral("/sys"));

/// Whether the node is the kernel's console (/sys/class/tty/console/active, or a console=
/// on the kernel's command line): its line carries the system's messages, maybe a login.
bool isSystemConsole(const QString &node, const MachineRoots &roots = {});

/// The group that owns the device and may read and write it, for the user to join; empty
/// when there is none, it is root, or it is not known here (inside a user namespace,
/// every group not mapped into it shows as the overflow group, "nogroup").
QString deviceGroup(const QString &node, const QString &procRoot = QStringLiteral("/proc"));

/// udev's /dev/serial/by-id link that leads to the node, which names the adapter itself;
/// empty when there is none.
QString byIdLink(const QString &node, const QString &devRoot = QStringLiteral("/dev"));

/// A serial device a user may mean when he says "the board": a USB serial adapter or a
/// built-in port with hardware behind it.
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

/// The serial devices worth offering, ordered by node: USB adapters by their by-id links,
/// USB nodes that have none, and ttyS* ports whose UART sysfs knows (type not 0). The
/// system's console is never among them.
QList<SerialDevice> findSerialDevices(const MachineRoots &roots = {});
