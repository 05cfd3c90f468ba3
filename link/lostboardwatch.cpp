#include "link/lostboardwatch.h"

#include <QFileInfo>

#include <utility>

LostBoardWatch::LostBoardWatch(QObject *parent, MachineRoots roots)
    : QObject(parent)
    , m_roots(std::move(roots))
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
    m_identity = adapterIdentity(path, m_roots);
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
        return deviceWithIdentity(*m_identity, m_path, m_roots);
    const QList<LinkOnTheWay> links = linksOnTheWay(m_path);
    for (qsizetype i = 0; i < m_links.size(); ++i) {
        if (i >= links.size() || links[i].path != m_links[i].path) {
            m_linkRemade = true; // gone, for now
            return std::nullopt;
        }
        if (links[i].madeNs != m_links[i].madeNs)
            m_linkRemade = true;
    }
    if (m_linkRemade && QFileInfo::exists(m_path))
        return m_path;
    return std::nullopt;
}
