#pragma once

#include <QList>
#include <QString>

#include <optional>

// What the link asks the system about the device behind a port's name: one file per
// platform, chosen by the build. On Linux (serialdevices.cpp, portdevice_linux.cpp) the
// answers come from /dev, sysfs and procfs; on Windows (portdevice_win.cpp) a port is
// its COM name and the adapters are the ones Windows lists.

// Where the machine's device nodes, sysfs and procfs are; tests give trees of their own.
// Windows has none of them.
struct MachineRoots
{
    QString dev = QStringLiteral("/dev");
    QString sys = QStringLiteral("/sys");
    QString proc = QStringLiteral("/proc");
};

/// The device a port name stands for. On Linux "COMn" is /dev/ttyS<n-1>, a path is used
/// as it is and a bare name such as "ttyUSB0" lives in /dev; on Windows a name is the
/// port's own.
QString devicePathForPort(const QString &port);

/// The name the system gives the device at `node`: on Linux /dev/ttyUSB0 for a USB
/// adapter, /dev/pts/7 for a pseudo-terminal, whatever node, link or bind mount it is
/// reached by (the launcher's sandbox shows the user's device as /dev/ttyS1). `node`
/// itself when it is no device the system names otherwise, and always on Windows.
QString deviceKnownAs(const QString &node, const MachineRoots &roots = {});

/// Whether `node` is a pseudo-terminal (its slave side), by whatever name it is reached.
bool isPseudoTerminal(const QString &node, const QString &procRoot = QStringLiteral("/proc"));

/// What a path given as the board's port is: the launcher, its chooser and the link all
/// decide here whether a device may be opened as a board's line.
enum class LineKind {
    SerialLine,      // a tty with hardware (a driver's device in sysfs), or a pseudo-terminal,
                     // that nobody types in; on Windows, every COM port
    Missing,         // nothing there, or a link to nothing
    LinkLoop,        // links that lead back to one another
    NotATerminal,    // a file or a device of another kind
    TerminalNotLine, // a terminal someone types in (a session's controlling terminal, or one
                     // of this program's standard streams), the console, a virtual console,
                     // ptmx
    SystemConsole,   // a line the kernel writes its messages to
};
LineKind lineKind(const QString &path, const MachineRoots &roots = {});

/// What tells the USB adapter behind `device` from any other, the same model included:
/// vendor, product and serial number (and the interface, on Linux). Where the adapter has
/// no serial number, its place: the USB socket on Linux, the COM name Windows keeps for
/// that model in that socket. None when the device is on no adapter the system describes.
std::optional<QString> adapterIdentity(const QString &device, const MachineRoots &roots = {});

/// The device the adapter with `identity` is at now, if it is plugged in; `last` first,
/// the device it was at.
std::optional<QString> deviceWithIdentity(const QString &identity, const QString &last,
                                          const MachineRoots &roots = {});

/// A symbolic link on the way from a path to its device, and when it was made (its
/// status last changed, in nanoseconds): its keeper (udev, a simulator) makes it anew for
/// a board that comes back.
struct LinkOnTheWay
{
    QString path;
    qint64 madeNs = 0;
};
/// The links from `path` to its device, in the order they are followed; none on Windows.
QList<LinkOnTheWay> linksOnTheWay(const QString &path);
