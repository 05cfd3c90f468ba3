#include "ui/lineseries.h"

#include <QLineSeries>

LineSeries::LineSeries(QObject *parent)
    : QObject(parent)
    , m_line(new QLineSeries) // the chart takes it over in SignalChart::addSeries
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshIntervalMs);
    m_refresh.setTimerType(Qt::PreciseTimer);
    connect(&m_refresh, &QTimer::timeout, this, &LineSeries::flush);
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
    if (!m_refresh.isActive())
        m_refresh.start();
}

void LineSeries::flush()
{
    m_refresh.stop();
    if (!m_dirty || !m_line)
        return;
    m_dirty = false;
    // replace() recomputes the line once; append() would redo it for every point held.
    m_line->replace(m_points.within(m_minX, m_maxX));
}
