#pragma once

#include "acquisition/samplestore.h"

#include <QList>
#include <QPair>
#include <QPointF>

// The points of the signal's line, taken from the session's store. The fixed view places
// each sample at its number; looking back over the session, at its own time, in seconds
// since the session's first sample, so that a pause (an unplugged board) shows as one.

enum class TraceAxis { SampleNumber, Seconds };

/// Where sample `number` (held) lies on `axis`.
double traceX(const SampleStore &store, std::int64_t number, TraceAxis axis);

/// The held sample nearest to x on `axis` (-1 when none is held).
std::int64_t nearestSample(const SampleStore &store, double x, TraceAxis axis);

/// The held samples numbered minX to maxX, as points (number, volts), in order.
QList<QPointF> tracePoints(const SampleStore &store, double minX, double maxX);

/// The held samples within minX..maxX on `axis`, thinned for `columns` equal columns
/// across that range: each column's first, lowest, highest and last point, in order, so
/// that a line through them covers the same pixels as one through them all. The nearest
/// sample on either side of the range comes too, so the line reaches its edges. The line
/// breaks where samples were dropped: one run of points on each side of the gap.
QList<QList<QPointF>> thinnedTrace(const SampleStore &store, double minX, double maxX, int columns,
                                   TraceAxis axis);

/// The range on `axis` from the first held sample to the last, at least `minimumSpan`
/// wide.
QPair<double, double> wholeTrace(const SampleStore &store, TraceAxis axis, double minimumSpan);

/// How wide on `axis` `count` samples around `x` are (at least one sample's step).
double spanOfSamples(const SampleStore &store, double x, int count, TraceAxis axis);
