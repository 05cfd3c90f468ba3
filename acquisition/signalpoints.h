#pragma once

#include <QList>
#include <QPointF>

#include <cstddef>
#include <deque>
#include <vector>

/// The chart's fixed view runs from sample 0 to this one; the chart, the series and the
/// store all take it from here.
inline constexpr double kFixedSpanX = 100.0;

// The points of the signal, in ascending x. The points up to the fixed view's right edge
// are the ones a user sees there: those are always kept. Beyond the edge the store keeps
// only the most recent points, so that a stream running for days holds a fixed amount of
// memory (the default bound is 131,072 points, 2 MiB: over a day at a sample a second).
class SignalPoints
{
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t(1) << 17;

    explicit SignalPoints(double keptUpToX = kFixedSpanX, std::size_t capacity = kDefaultCapacity);

    /// Adds a point after the last one; x must not be below the last x.
    void append(double x, double y);
    void clear();
    /// From now on the points up to x are the ones never dropped.
    void keepUpTo(double x);

    std::size_t size() const { return m_head.size() + m_tail.size(); }
    /// The first and the last point; the store must not be empty.
    QPointF first() const { return m_head.empty() ? m_tail.front() : m_head.front(); }
    QPointF last() const { return m_tail.empty() ? m_head.back() : m_tail.back(); }

    /// The points with minX <= x <= maxX, in order.
    QList<QPointF> within(double minX, double maxX) const;
    /// The points with minX <= x <= maxX thinned for `columns` equal columns across that
    /// range: each column's first, lowest, highest and last point, in order, so that a
    /// line through them covers the same pixels as one through them all. The nearest
    /// point on either side of the range comes too, so the line reaches its edges.
    QList<QPointF> thinned(double minX, double maxX, int columns) const;

private:
    double m_keptUpToX;
    std::size_t m_capacity;
    std::vector<QPointF> m_head; // x <= m_keptUpToX, never dropped
    std::deque<QPointF> m_tail;  // beyond the edge, oldest dropped first
};
