#include "link/lostboardwatch.h"

#include "devices/serialdevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

#include <sys/stat.h>

namespace {

constexpr int kMaxLinks = 40; // as the kernel follows them

} // namespace

LostBoardWatch::LostBoardWatch(QObject *parent, QString sysRoot, QString devRoot)
    : QObject(parent)
    , m_sysRoot(QFileInfo(sysRoot).canonicalFilePath())
    , m_devRoot(std::move(devRoot))
{
    m_timer.setInterval(kLookIntervalMs);
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (const std::optional<QString> device = lookOnce())
            emit boardBack(*device);
    });
}

void LostBoardWatch::remember(const QString &path)
{
    stop();
    m_path = path;
    m_identity = usbIdentityOfNode(path);
    m_links = linksOnTheWay(path);
}

bool LostBoardWatch::canRecognise() const
{
    return m_identity.has_value() || !m_links.isEmpty();
}

void LostBoardWatch::start()
{
    m_linkRemade = false;
    if (canRecognise())
        m_timer.start();
}

void LostBoardWatch::stop()
{
    m_timer.stop();
}

std::optional<QString> LostBoardWatch::lookOnce()
{
    emit looked();
    if (m_identity)
        return nodeWithIdentity(*m_identity);
    const QList<Link> links = linksOnTheWay(m_path);
    for (qsizetype i = 0; i < m_links.size(); ++i) {
        if (i >= links.size() || links[i].path != m_links[i].path) {
            m_linkRemade = true; // gone, for now
            return std::nullopt;
        }
        if (links[i].made != m_links[i].made)
            m_linkRemade = true;
    }
    if (m_linkRemade && QFileInfo::exists(m_path))
        return m_path;
    return std::nullopt;
}

std::optional<QString> LostBoardWatch::usbIdentityOfNode(const QString &path) const
{
    // The node's device number leads to its sysfs directory, whatever the node is called.
    if (const auto adapter = usbAdapterOf(ttySysfsDir(path, m_sysRoot), m_sysRoot))
        return adapter->identity();
    return std::nullopt;
}

std::optional<QString> LostBoardWatch::nodeWithIdentity(const QString &identity) const
{
    if (usbIdentityOfNode(m_path) == identity)
        return m_path;
    const QDir ttys(m_sysRoot + QStringLiteral("/class/tty"));
    for (const QString &name : ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        const QString ttyDir = QFileInfo(ttys.filePath(name)).canonicalFilePath();
        const QString node = m_devRoot + QLatin1Char('/') + name;
        const auto adapter = usbAdapterOf(ttyDir, m_sysRoot);
        if (adapter && adapter->identity() == identity && QFileInfo::exists(node))
            return node;
    }
    return std::nullopt;
}

QList<LostBoardWatch::Link> LostBoardWatch::linksOnTheWay(const QString &path)
{
    QList<Link> links;
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info = {};
        if (::lstat(QFile::encodeName(current).constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        links.append({current, {info.st_ctim.tv_sec, info.st_ctim.tv_nsec}});
        current = QFileInfo(current).symLinkTarget();
    }
    return links;
}
