#include "ui/lineseries.h"

#include <QLineSeries>

using namespace std::chrono;

LineSeries::LineSeries(QObject *parent, Clock clock)
    : QObject(parent)
    , m_line(new QLineSeries) // the chart takes it over in SignalChart::addSeries
    , m_clock(clock ? std::move(clock) : Clock(&steady_clock::now))
    , m_lastRefresh(m_clock() - kRefreshInterval)
{
    m_refresh.setSingleShot(true);
    m_refresh.setTimerType(Qt::PreciseTimer);
    connect(&m_refresh, &QTimer::timeout, this, &LineSeries::refreshOnBeat);
}

LineSeries::~LineSeries()
{
    if (m_line && !m_line->chart())
        delete m_line;
}

void LineSeries::AppendPoint(double x, double y)
{
    m_points.append(x, y);
    if (x >= m_minX && x <= m_maxX)
        scheduleFlush();
}

void LineSeries::ClearPoints()
{
    m_points.clear();
    scheduleFlush();
}

void LineSeries::setVisibleRange(double minX, double maxX)
{
    m_minX = minX;
    m_maxX = maxX;
    scheduleFlush();
}

void LineSeries::scheduleFlush()
{
    m_dirty = true;
    if (m_refresh.isActive())
        return; // handed over with the others at the end of this period
#ifdef SENSOR_VIEWER_TRAILING_REFRESH
    // The former behaviour, built only by the end-to-end benchmark to compare against:
    // every change waits a whole period.
    m_refresh.start(kRefreshInterval);
#else
    const auto sinceRefresh = m_clock() - m_lastRefresh;
    if (sinceRefresh >= kRefreshInterval)
        flush();
    else // the timer counts whole milliseconds: the nearest is closest to the period's end
        m_refresh.start(round<milliseconds>(kRefreshInterval - sinceRefresh));
#endif
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
    m_lastRefresh += kRefreshInterval;
    handOver();
}

void LineSeries::handOver()
{
    m_dirty = false;
    // replace() recomputes the line once; append() would redo it for every point held.
    if (m_line)
        m_line->replace(m_points.within(m_minX, m_maxX));
}
