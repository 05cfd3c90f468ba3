#include "devices/portdevice.h"
#include "devices/serialdevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

constexpr int kMaxLinks = 40; // as the kernel follows them

} // namespace

std::optional<QString> adapterIdentity(const QString &device, const MachineRoots &roots)
{
    // The node's device number leads to its sysfs directory, whatever the node is called.
    if (const auto adapter = usbAdapterOf(ttySysfsDir(device, roots.sys), roots.sys))
        return adapter->identity();
    return std::nullopt;
}

std::optional<QString> deviceWithIdentity(const QString &identity, const QString &last,
                                          const MachineRoots &roots)
{
    if (adapterIdentity(last, roots) == identity)
        return last;
    const QDir ttys(roots.sys + QStringLiteral("/class/tty"));
    for (const QString &name : ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        const QString ttyDir = QFileInfo(ttys.filePath(name)).canonicalFilePath();
        const QString node = roots.dev + QLatin1Char('/') + name;
        const auto adapter = usbAdapterOf(ttyDir, roots.sys);
        if (adapter && adapter->identity() == identity && QFileInfo::exists(node))
            return node;
    }
    return std::nullopt;
}

QList<LinkOnTheWay> linksOnTheWay(const QString &path)
{
    QList<LinkOnTheWay> links;
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info = {};
        if (::lstat(QFile::encodeName(current).constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        links.append({current, info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec});
        current = QFileInfo(current).symLinkTarget();
    }
    return links;
}
