#include "signalchart.h"

#include "lineseries.h"

#include <QChart>
#include <QLineSeries>
#include <QLinearGradient>
#include <QValueAxis>

SignalChart::SignalChart(QWidget *parent)
    : QChartView(parent)
    , m_bottomAxis(new QValueAxis)
    , m_leftAxis(new QValueAxis)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();

    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(11);
    chart->setTitle(QStringLiteral("Sinal do Sensor"));
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(Qt::black);

    // The plot area is left unfilled so the gradient behind the whole chart shows.
    QLinearGradient background(0.0, 0.0, 0.0, 1.0);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0.0, Qt::white);
    background.setColorAt(1.0, QColor(255, 0, 128));
    chart->setBackgroundBrush(background);
    chart->setBackgroundRoundness(0);
    chart->setPlotAreaBackgroundVisible(false);

    m_bottomAxis->setRange(0.0, kMaxSample);
    m_bottomAxis->setTitleText(QStringLiteral("Tempo (x10ms)"));
    m_bottomAxis->setLabelFormat(QStringLiteral("%g"));
    m_bottomAxis->setTickCount(11);
    m_leftAxis->setRange(0.0, kMaxVolts);
    m_leftAxis->setTitleText(QStringLiteral("Amplitude em V"));
    m_leftAxis->setLabelFormat(QStringLiteral("%.1f"));
    m_leftAxis->setTickCount(12);
    chart->addAxis(m_bottomAxis, Qt::AlignBottom);
    chart->addAxis(m_leftAxis, Qt::AlignLeft);

    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
}

void SignalChart::addSeries(LineSeries *series)
{
    QLineSeries *line = series->line();
    QPen pen(Qt::blue);
    pen.setWidth(2);
    line->setPen(pen);
    line->setPointsVisible(false);
    line->setPointLabelsVisible(false);
    chart()->addSeries(line);
    line->attachAxis(m_bottomAxis);
    line->attachAxis(m_leftAxis);
    series->setVisibleRange(m_bottomAxis->min(), m_bottomAxis->max());
}
