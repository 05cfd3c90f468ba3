#pragma once

#include <QList>
#include <QString>

#include <optional>

// Where the machine's device nodes, sysfs and procfs are; tests give trees of their own.
struct MachineRoots
{
    QString dev = QStringLiteral("/dev");
    QString sys = QStringLiteral("/sys");
    QString proc = QStringLiteral("/proc");
};

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

/// The device a port name stands for: "COMn" is /dev/ttyS<n-1>, a path is used as it is
/// and a bare name such as "ttyUSB0" lives in /dev.
QString devicePathForPort(const QString &port);

/// The name the system gives the device at `node`: /dev/ttyUSB0 for a USB adapter,
/// /dev/pts/7 for a pseudo-terminal, whatever node, link or bind mount it is reached by
/// (the launcher's sandbox shows the user's device as /dev/ttyS1). `node` itself when it
/// is no device sysfs or the pseudo-terminals know.
QString deviceKnownAs(const QString &node, const MachineRoots &roots = {});

/// Whether `node` is a pseudo-terminal (its slave side), by whatever name it is reached.
bool isPseudoTerminal(const QString &node, const QString &procRoot = QStringLiteral("/proc"));

/// What a path given as the board's port is: the launcher, its chooser and the link all
/// decide here whether a device may be opened as a board's line.
enum class LineKind {
    SerialLine,      // a tty with hardware (a driver's device in sysfs), or a pseudo-terminal,
                     // that nobody types in
    Missing,         // nothing there, or a link to nothing
    LinkLoop,        // links that lead back to one another
    NotATerminal,    // a file or a device of another kind
    TerminalNotLine, // a terminal someone types in (a session's controlling terminal, or one
                     // of this program's standard streams), the console, a virtual console,
                     // ptmx
    SystemConsole,   // a line the kernel writes its messages to
};
LineKind lineKind(const QString &path, const MachineRoots &roots = {});

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
