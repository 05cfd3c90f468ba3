#include "ui/signalchart.h"

#include "ui/lineseries.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QLinearGradient>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QValueAxis>

namespace {

// Arial as a sans-serif, as the readout asks for it: Qt looks for the stand-in of a
// missing Arial once per family and style hint, about a millisecond each time.
QFont chartFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

SignalChart::SignalChart(QWidget *parent)
    : QChartView(new QChart, parent) // setChart() would leave the view's default chart behind
    , m_bottomAxis(new QValueAxis)
    , m_leftAxis(new QValueAxis)
{
    chart()->setAnimationOptions(QChart::NoAnimation);
    chart()->legend()->hide();
    setUpTitleAndBackground();
    setUpAxes();
    setUpView();
}

void SignalChart::setUpTitleAndBackground()
{
    QChart *chart = this->chart();
    chart->setTitle(QStringLiteral("Sinal do Sensor"));
    chart->setTitleFont(chartFont(11));
    chart->setTitleBrush(Qt::black);

    // The plot area is left unfilled so the gradient behind the whole chart shows.
    QLinearGradient background(0.0, 0.0, 0.0, 1.0);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0.0, Qt::white);
    background.setColorAt(1.0, QColor(255, 0, 128));
    chart->setBackgroundBrush(background);
    chart->setBackgroundRoundness(0);
    chart->setPlotAreaBackgroundVisible(false);

    // The chart is small (250 px high): trim Qt's generous margins and use the window's
    // small sizes so that the plot area keeps most of it.
    chart->setMargins(QMargins(4, 2, 12, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
}

void SignalChart::setUpAxes()
{
    m_bottomAxis->setRange(0.0, kMaxSample);
    m_bottomAxis->setTitleText(QStringLiteral("Tempo (x10ms)"));
    // Localized labels take only a fixed-point format here: "%g" or "%i" leave them blank.
    m_bottomAxis->setLabelFormat(QStringLiteral("%.0f"));
    m_bottomAxis->setTickCount(11);
    m_leftAxis->setRange(0.0, kMaxVolts);
    m_leftAxis->setTitleText(QStringLiteral("Amplitude em V"));
    // A label every volt, a grid line every half volt: labels 0.5 V apart would not
    // fit the plot area's height, and Qt would elide them all.
    // Labels fall on whole volts; their one decimal is spelled out after the user's
    // separator (see below).
    m_leftAxis->setLabelFormat(QStringLiteral("%.0f") + QLocale().decimalPoint()
                               + QLatin1Char('0'));
    m_leftAxis->setTickType(QValueAxis::TicksDynamic);
    m_leftAxis->setTickAnchor(0.0);
    m_leftAxis->setTickInterval(1.0);
    m_leftAxis->setMinorTickCount(1);
    for (QValueAxis *axis : {m_bottomAxis, m_leftAxis}) {
        axis->setLabelsFont(chartFont(10));
        axis->setTitleFont(chartFont(11));
    }
    // As in the readout: ASCII digits with the user's decimal separator. A localized label
    // would take the locale's own digits (Arabic-Indic under ar_EG), so numbers are written
    // in the C locale; localizing keeps the separator in the format as it is, where plain
    // printf formatting would squash a separator such as Arabic's to Latin-1.
    chart()->setLocalizeNumbers(true);
    chart()->setLocale(QLocale::c());
    chart()->addAxis(m_bottomAxis, Qt::AlignBottom);
    chart()->addAxis(m_leftAxis, Qt::AlignLeft);
}

void SignalChart::setUpView()
{
    setRenderHint(QPainter::Antialiasing);
    // Where several pieces of the line change at once (LineSeries), the one rectangle
    // around them is painted in one go: painting the exact region of two changed pieces
    // measured twice the cost.
    setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);

    // What a screen reader says of the picture.
    setAccessibleName(chart()->title());
    setAccessibleDescription(QStringLiteral(
        "Gráfico de linha da tensão lida da placa, de 0 a 5,5 V, por amostra, de 0 a 100"));
}

void SignalChart::paintEvent(QPaintEvent *event)
{
    QChartView::paintEvent(event);
    // The chart is in the tab order; a frame shows when it has the focus.
    if (!hasFocus())
        return;
    // Drawn here rather than by the style, whose focus rectangle tints the whole chart.
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(viewport()->rect()).adjusted(1.0, 1.0, -1.0, -1.0));
}

void SignalChart::focusInEvent(QFocusEvent *event)
{
    QChartView::focusInEvent(event);
    viewport()->update();
}

void SignalChart::focusOutEvent(QFocusEvent *event)
{
    QChartView::focusOutEvent(event);
    viewport()->update();
}

void SignalChart::addSeries(LineSeries *series)
{
    QPen pen(Qt::blue);
    pen.setWidth(2);
    for (QLineSeries *piece : series->pieces()) {
        piece->setPen(pen);
        piece->setPointsVisible(false);
        piece->setPointLabelsVisible(false);
        chart()->addSeries(piece);
        piece->attachAxis(m_bottomAxis);
        piece->attachAxis(m_leftAxis);
    }
    series->setVisibleRange(m_bottomAxis->min(), m_bottomAxis->max());
}
