#include "acquisition/signalpoints.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

// A lambda rather than a function, so that the searches inline it.
const auto beforeX = [](const QPointF &p, double x) { return p.x() < x; };

// Takes the points of a range in order, one pixel column at a time, and keeps of each
// column what a line through it needs to look the same.
class Thinner
{
public:
    Thinner(double minX, double maxX, int columns)
        : m_minX(minX)
        , m_scale(columns / (maxX - minX))
        , m_lastColumn(columns - 1)
    {}

    void add(const QPointF &p)
    {
        const qint64 column = std::min<qint64>(qint64((p.x() - m_minX) * m_scale), m_lastColumn);
        if (m_count > 0 && column != m_column)
            endColumn();
        const Seen seen{p, m_seen++};
        if (m_count++ == 0) {
            m_column = column;
            m_first = m_low = m_high = seen;
        }
        if (p.y() < m_low.p.y())
            m_low = seen;
        if (p.y() > m_high.p.y())
            m_high = seen;
        m_last = seen;
    }

    QList<QPointF> take()
    {
        if (m_count > 0)
            endColumn();
        return std::move(m_kept);
    }

private:
    struct Seen
    {
        QPointF p;
        qint64 n; // its place in the range
    };

    void endColumn()
    {
        const bool lowFirst = m_low.n < m_high.n;
        const Seen inOrder[] = {m_first, lowFirst ? m_low : m_high, lowFirst ? m_high : m_low,
                                m_last};
        qint64 previous = -1;
        for (const Seen &seen : inOrder) {
            if (seen.n != previous)
                m_kept.append(seen.p);
            previous = seen.n;
        }
        m_count = 0;
    }

    double m_minX;
    double m_scale; // columns per unit of x
    qint64 m_lastColumn;
    qint64 m_column = 0;
    qint64 m_count = 0; // points in this column so far
    qint64 m_seen = 0;
    Seen m_first{}, m_low{}, m_high{}, m_last{};
    QList<QPointF> m_kept;
};

} // namespace

SignalPoints::SignalPoints(double keptUpToX, std::size_t capacity)
    : m_keptUpToX(keptUpToX)
    , m_capacity(capacity)
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

void SignalPoints::keepUpTo(double x)
{
    m_keptUpToX = x;
    while (!m_tail.empty() && m_tail.front().x() <= x) {
        m_head.push_back(m_tail.front());
        m_tail.pop_front();
    }
    while (!m_head.empty() && m_head.back().x() > x) {
        m_tail.push_front(m_head.back());
        m_head.pop_back();
    }
}

QList<QPointF> SignalPoints::within(double minX, double maxX) const
{
    QList<QPointF> out;
    const auto take = [&](auto begin, auto end) {
        for (auto it = std::lower_bound(begin, end, minX, beforeX); it != end && it->x() <= maxX;
             ++it)
            out.append(*it);
    };
    take(m_head.begin(), m_head.end());
    take(m_tail.begin(), m_tail.end());
    return out;
}

QList<QPointF> SignalPoints::thinned(double minX, double maxX, int columns) const
{
    if (!(maxX > minX) || columns < 1)
        return {};
    std::optional<QPointF> before;
    std::optional<QPointF> after;
    Thinner thinner(minX, maxX, columns);
    const auto take = [&](auto begin, auto end) {
        auto it = std::lower_bound(begin, end, minX, beforeX);
        if (it != begin)
            before = *std::prev(it); // the tail's, when it has one, is the nearer
        for (; it != end && it->x() <= maxX; ++it)
            thinner.add(*it);
        if (it != end && !after)
            after = *it;
    };
    take(m_head.begin(), m_head.end());
    take(m_tail.begin(), m_tail.end());
    QList<QPointF> out = thinner.take();
    if (before)
        out.prepend(*before);
    if (after)
        out.append(*after);
    return out;
}
