#pragma once

#include "acquisition/signaltrace.h"

#include <QLineSeries>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

// The signal series: a view of the session's store, which holds its points (the store
// has a sample before the series is told of its point). It gives the chart's line only
// the points inside the chart's x range, at most once per screen refresh. The cost of
// drawing so depends neither on how many points are held nor on how fast they come.
//
// A change after a quiet spell (no refresh for a whole period) reaches the line at once;
// changes within the period are gathered and handed over together at its end. Changes
// made together (the frames of one read) count as one: see Batch.
//
// The chart repaints everything under a series that changes, so the line is drawn as ten
// pieces, each a tenth of the x range wide: a new point redraws only the piece it joins,
// at the cost of a tenth of the line however far the trace has come.
//
// Looking back over the session, the x axis is the samples' own time, in seconds since
// the session's first sample, and the line is drawn over any range, however many points
// it holds: thinned to a few points per pixel column, in one piece, or two where samples
// were dropped between them.
class LineSeries : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    /// While one lives, changes are held back; when the last one ends they reach the line
    /// together, as one change would. A segment needs two points: handed over one at a
    /// time, the second point of a read would wait for the end of the period.
    class Batch
    {
    public:
        explicit Batch(LineSeries &series);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        LineSeries &m_series;
    };

    /// The line of `store`'s samples; `clock` tells the time for the refresh periods
    /// (steady_clock if empty).
    explicit LineSeries(const SampleStore &store, QObject *parent = nullptr, Clock clock = {});
    ~LineSeries() override;

    /// The store's newest sample is the point (x, y): has the chart show it.
    void AppendPoint(double x, double y);
    /// The store was emptied: has the chart show that.
    void ClearPoints();

    /// The pieces the chart draws the line as, left to right.
    QList<QLineSeries *> pieces() const;
    /// Every point the chart shows now, in order.
    QList<QPointF> drawnPoints() const;
    /// The chart's fixed x range, in samples: only these points reach the line.
    void setVisibleRange(double minX, double maxX);

    /// Shows every point held, the range growing with them as they come.
    void reviewWholeSession();
    /// Shows the points within minX..maxX, in seconds.
    void review(double minX, double maxX);
    /// Back to the fixed range.
    void endReview();
    bool reviewing() const { return m_review != Review::None; }
    /// How the x axis places the points now: by number, or in review by their time.
    TraceAxis axis() const { return reviewing() ? TraceAxis::Seconds : TraceAxis::SampleNumber; }
    /// The x range on axis() that spans every point held.
    QPair<double, double> wholeSession() const;
    /// How wide on axis() ten samples around x are: the narrowest a zoom shows.
    double narrowestSpanAt(double x) const;
    /// Where on axis() samples were dropped: from the last point before them to the first
    /// after; empty when none were.
    QPair<double, double> droppedSpan() const;
    const SampleStore &store() const { return m_store; }
    /// The pixel columns the line is drawn across, for thinning it under review.
    void setColumns(int columns);

    /// Hands the visible points to the line now, if anything changed.
    void flush();

    static constexpr std::chrono::milliseconds kRefreshInterval{16}; // one frame at 60 Hz
    static constexpr int kPieceCount = 10;
    /// A session shorter than this is shown this wide in review, rather than stretched.
    static constexpr double kShortestSessionSeconds = 10.0;

signals:
    /// The x range shown changed under review, as the user moves it or as points come,
    /// or back to the fixed range at its end.
    void shownRangeChanged(double minX, double maxX);
    /// The line was handed what changed.
    void handedOver();
    /// The store was emptied: what marks its samples goes.
    void cleared();

private:
    enum class Review { None, WholeSession, Range };

    void setShownRange(double minX, double maxX);
    void handOverFixed();
    void handOverThinned();
    void drawPiece(int k, QList<QPointF> points, double leftEdgeX);
    void scheduleFlush();
    void refreshOnBeat();
    void handOver();

    const SampleStore &m_store;
    QList<QPointer<QLineSeries>> m_pieces;
    QList<QList<QPointF>> m_drawn; // the points each piece draws, if any
    QTimer m_refresh;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_lastRefresh;
    std::chrono::steady_clock::duration m_period = kRefreshInterval; // between refreshes
    double m_minX = 0.0; // the range shown
    double m_maxX = kFixedSpanX;
    double m_fixedMinX = 0.0;
    double m_fixedMaxX = kFixedSpanX;
    Review m_review = Review::None;
    int m_columns = 600;
    bool m_dirty = false;
    int m_batches = 0; // Batch objects alive
};
