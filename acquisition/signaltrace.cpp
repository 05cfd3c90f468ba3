#include "acquisition/signaltrace.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

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
        m_seen = 0;
        return std::exchange(m_kept, {});
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

constexpr double kNsPerSecond = 1e9;

// The first held sample at or after x on `axis` (count() if none).
std::int64_t firstAt(const SampleStore &store, double x, TraceAxis axis)
{
    if (store.isEmpty())
        return 0;
    if (axis == TraceAxis::Seconds) {
        const double ns = double(store.timeOrigin()) + x * kNsPerSecond;
        return store.firstAtOrAfter(std::int64_t(std::ceil(ns)));
    }
    const double number = std::clamp(std::ceil(x), 0.0, double(store.count()));
    const std::int64_t first = std::int64_t(number);
    return first >= store.count() || store.holds(first) ? first : store.nextHeld(first - 1);
}

} // namespace

double traceX(const SampleStore &store, std::int64_t number, TraceAxis axis)
{
    if (axis == TraceAxis::SampleNumber)
        return double(number);
    return double(store.at(number).steadyNs - store.timeOrigin()) / kNsPerSecond;
}

std::int64_t nearestSample(const SampleStore &store, double x, TraceAxis axis)
{
    if (store.isEmpty())
        return -1;
    const std::int64_t after = firstAt(store, x, axis);
    const std::int64_t before = store.previousHeld(after);
    if (after >= store.count())
        return before;
    if (before < 0)
        return after;
    return x - traceX(store, before, axis) <= traceX(store, after, axis) - x ? before : after;
}

QList<QPointF> tracePoints(const SampleStore &store, double minX, double maxX)
{
    QList<QPointF> points;
    for (std::int64_t n = firstAt(store, minX, TraceAxis::SampleNumber);
         n < store.count() && double(n) <= maxX; n = store.nextHeld(n))
        points.append(QPointF(double(n), double(store.at(n).volts())));
    return points;
}

QList<QList<QPointF>> thinnedTrace(const SampleStore &store, double minX, double maxX, int columns,
                                   TraceAxis axis)
{
    if (!(maxX > minX) || columns < 1 || store.isEmpty())
        return {};
    const auto point = [&](std::int64_t n) {
        return QPointF(traceX(store, n, axis), double(store.at(n).volts()));
    };
    QList<QList<QPointF>> runs;
    Thinner thinner(minX, maxX, columns);
    std::int64_t n = firstAt(store, minX, axis);
    std::int64_t last = store.previousHeld(n); // the sample the line comes from
    std::optional<QPointF> before;
    if (last >= 0 && n - last == 1)
        before = point(last);
    for (; n < store.count(); n = store.nextHeld(n)) {
        const QPointF p = point(n);
        if (p.x() > maxX)
            break;
        if (n - last > 1 && last >= 0) // samples were dropped in between: the line breaks
            runs.append(thinner.take());
        thinner.add(p);
        last = n;
    }
    runs.append(thinner.take());
    if (n < store.count() && n - last == 1)
        runs.last().append(point(n));
    if (before)
        runs.first().prepend(*before);
    runs.removeIf([](const QList<QPointF> &run) { return run.isEmpty(); });
    return runs;
}

QPair<double, double> wholeTrace(const SampleStore &store, TraceAxis axis, double minimumSpan)
{
    if (store.isEmpty())
        return {0.0, minimumSpan};
    const double first = traceX(store, 0, axis);
    return {first, std::max(traceX(store, store.count() - 1, axis), first + minimumSpan)};
}

double spanOfSamples(const SampleStore &store, double x, int count, TraceAxis axis)
{
    if (axis == TraceAxis::SampleNumber || store.heldCount() < 2)
        return double(count);
    std::int64_t from = std::min(firstAt(store, x, axis), store.count() - 1);
    std::int64_t to = from;
    for (int i = 0; i < count / 2; ++i)
        from = std::max<std::int64_t>(store.previousHeld(from), 0);
    for (int i = 0; i < count - count / 2 && store.nextHeld(to) < store.count(); ++i)
        to = store.nextHeld(to);
    const double span = traceX(store, to, axis) - traceX(store, from, axis);
    return span > 0.0 ? span : 1e-3;
}
