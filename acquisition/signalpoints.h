#pragma once

#include <QList>
#include <QPointF>

#include <cstddef>
#include <deque>
#include <vector>

// The points of the signal, in ascending x. The chart's x range is fixed, so the points
// up to its right edge are the ones a user ever sees: those are always kept. Beyond the
// edge the store keeps only the most recent points, so that a stream running for days
// holds a fixed amount of memory (the default bound is 65,536 points, 1 MiB).
class SignalPoints
{
public:
    static constexpr std::size_t kDefaultCapacity = 65536;

    explicit SignalPoints(double keptUpToX = 100.0, std::size_t capacity = kDefaultCapacity);

    /// Adds a point after the last one; x must not be below the last x.
    void append(double x, double y);
    void clear();

    std::size_t size() const { return m_head.size() + m_tail.size(); }

    /// The points with minX <= x <= maxX, in order.
    QList<QPointF> within(double minX, double maxX) const;

private:
    double m_keptUpToX;
    std::size_t m_capacity;
    std::vector<QPointF> m_head; // x <= m_keptUpToX, never dropped
    std::deque<QPointF> m_tail;  // beyond the edge, oldest dropped first
};
