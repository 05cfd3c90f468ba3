#include "ui/lineseries.h"

#include <QLineSeries>

#include <algorithm>

#include <utility>

using namespace std::chrono;

LineSeries::LineSeries(const SampleStore &store, QObject *parent, Clock clock)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock ? std::move(clock) : Clock(&steady_clock::now))
    , m_lastRefresh(m_clock() - kRefreshInterval)
{
    m_refresh.setSingleShot(true);
    m_refresh.setTimerType(Qt::PreciseTimer);
    connect(&m_refresh, &QTimer::timeout, this, &LineSeries::refreshOnBeat);
    for (int piece = 0; piece < kPieceCount; ++piece)
        m_pieces.append(new QLineSeries); // the chart takes them over in SignalChart::addSeries
    m_drawn.resize(kPieceCount);
}

LineSeries::~LineSeries()
{
    for (QLineSeries *piece : std::as_const(m_pieces))
        if (piece && !piece->chart())
            delete piece;
}

QList<QLineSeries *> LineSeries::pieces() const
{
    QList<QLineSeries *> pieces;
    for (QLineSeries *piece : m_pieces)
        pieces.append(piece);
    return pieces;
}

QList<QPointF> LineSeries::drawnPoints() const
{
    QList<QPointF> points;
    for (const QList<QPointF> &piece : m_drawn) {
        // A piece starts where the one before it ends, unless the line breaks there.
        const bool joined = !points.isEmpty() && !piece.isEmpty() && piece.first() == points.last();
        points.append(piece.mid(joined ? 1 : 0));
    }
    return points;
}

void LineSeries::AppendPoint(double x, double)
{
    if (reviewing() || (x >= m_minX && x <= m_maxX))
        scheduleFlush();
}

void LineSeries::ClearPoints()
{
    if (m_review == Review::Range)
        m_review = Review::WholeSession; // a range of the old session would show nothing
    scheduleFlush();
    emit cleared();
}

void LineSeries::setVisibleRange(double minX, double maxX)
{
    m_fixedMinX = minX;
    m_fixedMaxX = maxX;
    if (!reviewing()) { // the chart's axis already shows it: nothing to tell
        m_minX = minX;
        m_maxX = maxX;
    }
    scheduleFlush();
}

void LineSeries::reviewWholeSession()
{
    m_review = Review::WholeSession;
    const QPair<double, double> whole = wholeSession();
    setShownRange(whole.first, whole.second);
    scheduleFlush();
}

void LineSeries::review(double minX, double maxX)
{
    m_review = Review::Range;
    setShownRange(minX, maxX);
    scheduleFlush();
}

void LineSeries::endReview()
{
    m_review = Review::None;
    setShownRange(m_fixedMinX, m_fixedMaxX);
    scheduleFlush();
}

QPair<double, double> LineSeries::wholeSession() const
{
    return wholeTrace(m_store, axis(),
                      reviewing() ? kShortestSessionSeconds : m_fixedMaxX - m_fixedMinX);
}

double LineSeries::narrowestSpanAt(double x) const
{
    return spanOfSamples(m_store, x, 10, axis());
}

QPair<double, double> LineSeries::droppedSpan() const
{
    const SampleStore::Gap gap = m_store.dropped();
    if (gap.size() == 0 || gap.end >= m_store.count())
        return {};
    return {traceX(m_store, gap.first - 1, axis()), traceX(m_store, gap.end, axis())};
}

void LineSeries::setColumns(int columns)
{
    if (columns == m_columns)
        return;
    m_columns = columns;
    if (reviewing())
        scheduleFlush();
}

void LineSeries::setShownRange(double minX, double maxX)
{
    if (minX == m_minX && maxX == m_maxX)
        return;
    m_minX = minX;
    m_maxX = maxX;
    emit shownRangeChanged(minX, maxX);
}

LineSeries::Batch::Batch(LineSeries &series)
    : m_series(series)
{
    ++m_series.m_batches;
}

LineSeries::Batch::~Batch()
{
    if (--m_series.m_batches == 0 && m_series.m_dirty)
        m_series.scheduleFlush();
}

void LineSeries::scheduleFlush()
{
    m_dirty = true;
    if (m_batches > 0 || m_refresh.isActive())
        return; // handed over with the others at the batch's or this period's end
    const auto sinceRefresh = m_clock() - m_lastRefresh;
    if (sinceRefresh >= m_period)
        flush();
    else // the timer counts whole milliseconds: the nearest is closest to the period's end
        m_refresh.start(round<milliseconds>(m_period - sinceRefresh));
}

void LineSeries::flush()
{
    m_refresh.stop();
    if (!m_dirty)
        return;
    m_lastRefresh = m_clock();
    handOver();
}

void LineSeries::refreshOnBeat()
{
    // The period's end, however late the timer fired: a steady stream is drawn every
    // 16 ms from its first frame, and a late refresh does not delay the ones after it.
    m_lastRefresh += m_period;
    handOver();
}

void LineSeries::handOver()
{
    m_dirty = false;
    const steady_clock::time_point start = m_clock();
    if (reviewing())
        handOverThinned();
    else
        handOverFixed();
    // Thinning a million samples takes longer than a refresh period: under review the
    // line is redrawn at most half the time, so the window stays responsive.
    const auto cost = duration_cast<steady_clock::duration>(m_clock() - start);
    m_period = reviewing() ? std::max<steady_clock::duration>(kRefreshInterval, 2 * cost)
                           : steady_clock::duration(kRefreshInterval);
    emit handedOver();
}

void LineSeries::handOverFixed()
{
    const QList<QPointF> visible = tracePoints(m_store, m_minX, m_maxX);
    const double pieceWidth = (m_maxX - m_minX) / kPieceCount;
    qsizetype first = 0; // the piece's first point
    for (int k = 0; k < kPieceCount; ++k) {
        // A piece draws the segments that start at its points: it takes the points left of
        // its right edge and the next one after them (for the last piece, the point on the
        // range's edge).
        qsizetype end = first;
        while (end < visible.size() && visible[end].x() < m_minX + (k + 1) * pieceWidth)
            ++end;
        QList<QPointF> piece;
        if (end > first)
            piece = visible.mid(first, end - first + (end < visible.size() ? 1 : 0));
        if (piece.size() == 1 && first > 0)
            piece.clear(); // a lone newest point: the piece before already ends with it
        first = end;
        drawPiece(k, piece, m_minX + k * pieceWidth);
    }
}

void LineSeries::handOverThinned()
{
    if (m_review == Review::WholeSession) {
        const QPair<double, double> whole = wholeSession();
        setShownRange(whole.first, whole.second);
    }
    // The whole range changes at once here, so one piece does, or two where the line
    // breaks over dropped samples.
    const QList<QList<QPointF>> runs =
        thinnedTrace(m_store, m_minX, m_maxX, m_columns, TraceAxis::Seconds);
    for (int k = 0; k < kPieceCount; ++k)
        drawPiece(k, runs.value(k), m_minX);
}

void LineSeries::drawPiece(int k, QList<QPointF> points, double leftEdgeX)
{
    m_drawn[k] = points;
    // QtCharts puts an empty series at the plot's top left corner, and a series that is
    // emptied or filled has everything between there and its points repainted. A piece
    // without a segment holds one point at its own left edge instead: one point draws
    // nothing, and the piece's first segment repaints only around it.
    if (points.isEmpty())
        points = {QPointF(leftEdgeX, 0.0)};
    // Only a piece that changed is handed over, and so repainted. replace() recomputes
    // the piece once; append() would redo it for every point it holds.
    if (m_pieces[k] && m_pieces[k]->points() != points)
        m_pieces[k]->replace(points);
}
