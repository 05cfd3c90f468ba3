#include "devices/serialdevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>

namespace {

QString firstLine(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(in.readLine()).trimmed();
}

std::optional<dev_t> deviceNumber(const QString &node)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(node).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return std::nullopt;
    return info.st_rdev;
}

QString charEntry(dev_t number, const QString &sysRoot)
{
    return QStringLiteral("%1/dev/char/%2:%3").arg(sysRoot).arg(major(number)).arg(minor(number));
}

// The name the kernel knows a tty by, whatever the node is called here.
QString kernelName(const QString &node, const QString &sysRoot)
{
    const QString dir = ttySysfsDir(node, sysRoot);
    return QFileInfo(dir.isEmpty() ? QFileInfo(node).canonicalFilePath() : dir).fileName();
}

// The pseudo-terminal slaves' first major (/proc/devices: "136 pts"), 0 when unknown.
// The kernel lists only the first of the eight majors that hold them, 256 numbers each.
unsigned firstPseudoTerminalMajor(const QString &procRoot)
{
    QFile devices(procRoot + QStringLiteral("/devices"));
    if (!devices.open(QIODevice::ReadOnly))
        return 0;
    // Read whole: procfs files have no size, so atEnd() holds from the start.
    for (const QByteArray &line : devices.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2 && fields[1] == "pts")
            return fields[0].toUInt();
    }
    return 0;
}
constexpr unsigned kPseudoTerminalMajors = 8;

bool isPseudoTerminalMajor(unsigned number, const QString &procRoot)
{
    const unsigned first = firstPseudoTerminalMajor(procRoot);
    return first != 0 && number >= first && number < first + kPseudoTerminalMajors;
}

// Whether someone types in the tty: a session has it as its controlling terminal (a shell's,
// an editor's, a login's), or it is one of our own standard streams (the launcher's, handed
// on to its check and to the viewer), whose session may be out of sight.
bool isTerminalInUse(dev_t number, const QString &procRoot)
{
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        struct stat info = {};
        if (::fstat(stream, &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == number)
            return true;
    }
    const QDir processes(procRoot);
    for (const QString &pid : processes.entryList({QStringLiteral("[1-9]*")}, QDir::Dirs)) {
        QFile stat(processes.filePath(pid) + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // it has ended
        // "pid (name) state ppid pgrp session tty_nr ...", the name holding any character;
        // tty_nr is encoded as glibc encodes a dev_t that fits 32 bits.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields =
            line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
        if (fields.size() > 4 && dev_t(quint32(fields[4].toInt())) == number)
            return true;
    }
    return false;
}

// ttyUSB2 before ttyUSB10.
bool byNode(const SerialDevice &a, const SerialDevice &b)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+)$"));
    const QRegularExpressionMatch ma = numbered.match(a.node);
    const QRegularExpressionMatch mb = numbered.match(b.node);
    if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
        return ma.captured(2).toInt() < mb.captured(2).toInt();
    return a.node < b.node;
}

} // namespace

QString UsbAdapter::identity() const
{
    // Two adapters of a model without serial numbers are told apart by their socket.
    const QString serial =
        serialNumber.isEmpty() ? QStringLiteral("socket ") + socket : serialNumber;
    return QStringList{vendorId, productId, serial, interface}.join(QLatin1Char('/'));
}

QString ttySysfsDir(const QString &node, const QString &sysRoot)
{
    if (const std::optional<dev_t> number = deviceNumber(node))
        return QFileInfo(charEntry(*number, sysRoot)).canonicalFilePath();
    const QString name = QFileInfo(QFileInfo(node).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return {};
    return QFileInfo(sysRoot + QStringLiteral("/class/tty/") + name).canonicalFilePath();
}

std::optional<UsbAdapter> usbAdapterOf(const QString &ttyDir, const QString &sysRoot)
{
    // The interface (bInterfaceNumber) comes first on the way up, then the device
    // (idVendor); a ttyUSB's port sits between the interface and the tty.
    const QString top = QFileInfo(sysRoot).canonicalFilePath();
    QString interface;
    for (QDir dir(ttyDir); !ttyDir.isEmpty() && dir.absolutePath().startsWith(top);) {
        const QString here = dir.absolutePath() + QLatin1Char('/');
        if (interface.isEmpty() && QFile::exists(here + QStringLiteral("bInterfaceNumber")))
            interface = firstLine(here + QStringLiteral("bInterfaceNumber"));
        if (QFile::exists(here + QStringLiteral("idVendor")))
            return UsbAdapter{firstLine(here + QStringLiteral("idVendor")),
                              firstLine(here + QStringLiteral("idProduct")),
                              firstLine(here + QStringLiteral("manufacturer")),
                              firstLine(here + QStringLiteral("product")),
                              firstLine(here + QStringLiteral("serial")),
                              interface,
                              dir.dirName()};
        if (!dir.cdUp())
            break;
    }
    return std::nullopt;
}

bool isPortWithoutUart(const QString &node, const QString &sysRoot)
{
    const QString dir = ttySysfsDir(node, sysRoot);
    return !dir.isEmpty() && firstLine(dir + QStringLiteral("/type")) == QLatin1String("0");
}

bool isSystemConsole(const QString &node, const MachineRoots &roots)
{
    const QString name = kernelName(node, roots.sys);
    if (name.isEmpty())
        return false;
    const QString active = firstLine(roots.sys + QStringLiteral("/class/tty/console/active"));
    if (active.split(QLatin1Char(' '), Qt::SkipEmptyParts).contains(name))
        return true;
    // console=ttyS0,115200n8; what follows "--" is for init.
    const QStringList words =
        firstLine(roots.proc + QStringLiteral("/cmdline")).split(QLatin1Char(' '));
    for (const QString &word : words) {
        if (word == QLatin1String("--"))
            break;
        if (word.startsWith(QLatin1String("console="))
            && word.mid(8).section(QLatin1Char(','), 0, 0) == name)
            return true;
    }
    return false;
}

QString deviceGroup(const QString &node, const QString &procRoot)
{
    // Joining a group helps only if that group may read and write the device, and joining
    // root is never the advice to give.
    struct stat info = {};
    if (::stat(QFile::encodeName(node).constData(), &info) != 0 || info.st_gid == 0
        || (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    const QString overflow = firstLine(procRoot + QStringLiteral("/sys/kernel/overflowgid"));
    if (info.st_gid == (overflow.isEmpty() ? 65534u : overflow.toUInt()))
        return {};
    if (const struct group *owner = ::getgrgid(info.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return {};
}

QString byIdLink(const QString &node, const QString &devRoot)
{
    const QString target = QFileInfo(node).canonicalFilePath();
    const QDir byId(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        if (link.isSymLink() && !target.isEmpty() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    return {};
}

QString devicePathForPort(const QString &port)
{
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString name = port.trimmed();
    const QRegularExpressionMatch match = comName.match(name);
    if (match.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    if (name.startsWith(QLatin1Char('/')))
        return name;
    return QStringLiteral("/dev/") + name;
}

QString deviceKnownAs(const QString &node, const MachineRoots &roots)
{
    const std::optional<dev_t> number = deviceNumber(node);
    if (!number)
        return node;
    // sysfs names every device with a driver by its device number.
    const QString dir = QFileInfo(charEntry(*number, roots.sys)).canonicalFilePath();
    if (!dir.isEmpty())
        return roots.dev + QLatin1Char('/') + QFileInfo(dir).fileName();
    if (isPseudoTerminalMajor(major(*number), roots.proc))
        return roots.dev + QStringLiteral("/pts/")
               + QString::number((major(*number) - firstPseudoTerminalMajor(roots.proc)) * 256
                                 + minor(*number));
    return node;
}

bool isPseudoTerminal(const QString &node, const QString &procRoot)
{
    const std::optional<dev_t> number = deviceNumber(node);
    return number && isPseudoTerminalMajor(major(*number), procRoot);
}

LineKind lineKind(const QString &path, const MachineRoots &roots)
{
    // Told from the device number and sysfs: opening the device to ask would raise its
    // DTR, which resets some boards.
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ELOOP ? LineKind::LinkLoop : LineKind::Missing;
    if (!S_ISCHR(info.st_mode))
        return LineKind::NotATerminal;
    const QString entry = charEntry(info.st_rdev, roots.sys);
    // A UART or an adapter has its driver's device; /dev/tty, /dev/console, the virtual
    // consoles and ptmx are ttys with none.
    if (!isPseudoTerminalMajor(major(info.st_rdev), roots.proc)
        && !QFileInfo::exists(entry + QStringLiteral("/device"))) {
        const QString subsystem =
            QFileInfo(entry + QStringLiteral("/subsystem")).canonicalFilePath();
        return QFileInfo(subsystem).fileName() == QLatin1String("tty") ? LineKind::TerminalNotLine
                                                                       : LineKind::NotATerminal;
    }
    if (isSystemConsole(path, roots))
        return LineKind::SystemConsole;
    // A simulated board's pseudo-terminal has nobody typing in it.
    if (isTerminalInUse(info.st_rdev, roots.proc))
        return LineKind::TerminalNotLine;
    return LineKind::SerialLine;
}

bool SerialDevice::operator==(const SerialDevice &other) const
{
    return std::tie(path, node, maker, product, serialNumber, builtIn)
           == std::tie(other.path, other.node, other.maker, other.product, other.serialNumber,
                       other.builtIn);
}

QList<SerialDevice> findSerialDevices(const MachineRoots &roots)
{
    QList<SerialDevice> devices;
    auto listed = [&devices](const QString &node) {
        return std::any_of(devices.cbegin(), devices.cend(),
                           [&node](const SerialDevice &d) { return d.node == node; });
    };

    // udev names each USB serial adapter there, by maker, model and serial number.
    const QDir byId(roots.dev + QStringLiteral("/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString node = link.canonicalFilePath();
        if (node.isEmpty() || listed(node))
            continue; // a link to an adapter that has gone
        devices.append({link.absoluteFilePath(), node, {}, {}, {}, false});
    }
    // Without udev (a container, a minimal system) the nodes are all there is.
    const QDir dev(roots.dev);
    for (const QFileInfo &node : dev.entryInfoList(
             {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System | QDir::Files)) {
        const QString path = node.canonicalFilePath();
        if (!path.isEmpty() && !listed(path))
            devices.append({path, path, {}, {}, {}, false});
    }
    for (SerialDevice &device : devices) {
        if (const auto adapter = usbAdapterOf(ttySysfsDir(device.node, roots.sys), roots.sys)) {
            device.maker = adapter->maker;
            device.product = adapter->product;
            device.serialNumber = adapter->serialNumber;
        }
        if (device.maker.isEmpty() && device.product.isEmpty() && device.path != device.node)
            device.product = QFileInfo(device.path).fileName();
    }
    // Most PCs have ttyS0 to ttyS3 whatever is fitted; sysfs tells a UART (type 0: none).
    for (const QFileInfo &node :
         dev.entryInfoList({QStringLiteral("ttyS*")}, QDir::System | QDir::Files)) {
        const QString dir = ttySysfsDir(node.absoluteFilePath(), roots.sys);
        const QString type = dir.isEmpty() ? QString() : firstLine(dir + QStringLiteral("/type"));
        if (!type.isEmpty() && type != QLatin1String("0"))
            devices.append({node.absoluteFilePath(), node.absoluteFilePath(), {}, {}, {}, true});
    }
    // The console's line is the kernel's: a poll written there goes to its messages, or to
    // a login on it.
    devices.erase(std::remove_if(devices.begin(), devices.end(),
                                 [&roots](const SerialDevice &device) {
                                     return isSystemConsole(device.node, roots);
                                 }),
                  devices.end());
    std::stable_sort(devices.begin(), devices.end(), byNode);
    return devices;
}
