#include "link/portnaming.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

bool isComName(const QString &port)
{
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return comName.match(port.trimmed()).hasMatch();
}

// Unix 98 pseudo-terminal slaves: majors 136 to 143, 256 numbers each.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

bool deviceNumber(const QString &node, dev_t &number)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(node).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    number = info.st_rdev;
    return true;
}

bool isPtyMajor(unsigned majorNumber)
{
    return majorNumber >= kFirstPtyMajor && majorNumber <= kLastPtyMajor;
}

} // namespace

QString devicePathForPort(const QString &port)
{
    const QString name = port.trimmed();
    if (isComName(name))
        return QStringLiteral("/dev/ttyS") + QString::number(name.mid(3).toInt() - 1);
    if (name.startsWith(QLatin1Char('/')))
        return name;
    return QStringLiteral("/dev/") + name;
}

QString deviceKnownAs(const QString &node, const QString &sysRoot)
{
    dev_t number = 0;
    if (!deviceNumber(node, number))
        return node;
    const unsigned majorNumber = major(number);
    const unsigned minorNumber = minor(number);
    // sysfs names every device with a driver by its device number.
    const QString entry = sysRoot + QStringLiteral("/dev/char/") + QString::number(majorNumber)
                          + QLatin1Char(':') + QString::number(minorNumber);
    const QString canonical = QFileInfo(entry).canonicalFilePath();
    if (!canonical.isEmpty())
        return QStringLiteral("/dev/") + QFileInfo(canonical).fileName();
    if (isPtyMajor(majorNumber))
        return QStringLiteral("/dev/pts/")
               + QString::number((majorNumber - kFirstPtyMajor) * 256 + minorNumber);
    return node;
}

bool isPseudoTerminal(const QString &node)
{
    dev_t number = 0;
    return deviceNumber(node, number) && isPtyMajor(major(number));
}

QString describePort(const QString &port, const QString &opened)
{
    const QString given = devicePathForPort(port);
    if (isComName(port))
        return port + QStringLiteral(" (") + deviceKnownAs(opened.isEmpty() ? given : opened)
               + QLatin1Char(')');
    if (opened.isEmpty() || opened == given)
        return port;
    return port + QStringLiteral(" (") + opened + QLatin1Char(')');
}
