#include "acquisition/signalpoints.h"

#include <algorithm>

SignalPoints::SignalPoints(double keptUpToX, std::size_t capacity)
    : m_keptUpToX(keptUpToX)
    , m_capacity(std::max<std::size_t>(capacity, 1))
{}

void SignalPoints::append(double x, double y)
{
    if (x <= m_keptUpToX && m_tail.empty()) {
        if (m_head.size() >= m_capacity)
            return;
        m_head.emplace_back(x, y);
        return;
    }
    if (m_head.size() + m_tail.size() >= m_capacity) {
        if (m_tail.empty())
            return;
        m_tail.pop_front();
    }
    m_tail.emplace_back(x, y);
}

void SignalPoints::clear()
{
    m_head.clear();
    m_head.shrink_to_fit();
    m_tail.clear();
    m_tail.shrink_to_fit();
}

QList<QPointF> SignalPoints::within(double minX, double maxX) const
{
    QList<QPointF> out;
    const auto byX = [](const QPointF &p, double x) { return p.x() < x; };
    const auto take = [&](auto begin, auto end) {
        for (auto it = std::lower_bound(begin, end, minX, byX); it != end && it->x() <= maxX; ++it)
            out.append(*it);
    };
    take(m_head.begin(), m_head.end());
    take(m_tail.begin(), m_tail.end());
    return out;
}
