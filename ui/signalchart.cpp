#include "ui/signalchart.h"

#include "errors/errorreporting.h"
#include "ui/lineseries.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QDir>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QtMath>
#include <QValueAxis>
#include <QWheelEvent>

#include <cmath>

namespace {

const QString kFixedTimeTitle = QStringLiteral("Tempo (x10ms)");
const QString kReviewTimeTitle = QStringLiteral("Tempo (s)");
const QColor kCursorColours[] = {QColor(0, 128, 0), QColor(200, 80, 0)}; // A, B
const QColor kEventColour(60, 60, 60);

// Arial as a sans-serif, as the readout asks for it: Qt looks for the stand-in of a
// missing Arial once per family and style hint, about a millisecond each time.
QFont chartFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

// ASCII digits with the user's decimal separator where it is a point or a comma (a point
// elsewhere), and no group separator: the seconds under review reach thousands.
QLocale labelLocale()
{
    QLocale locale = QLocale().decimalPoint() == QLatin1String(",")
                         ? QLocale(QLocale::Portuguese, QLocale::Brazil)
                         : QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

SignalChart::SignalChart(QWidget *parent)
    : QChartView(new QChart, parent) // setChart() would leave the view's default chart behind
    , m_bottomAxis(new QValueAxis)
    , m_leftAxis(new QValueAxis)
    , m_panel(new QLabel(viewport()))
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

    // Qt leaves the plot area unfilled, so the gradient behind the whole chart shows there.
    QLinearGradient background(0.0, 0.0, 0.0, 1.0);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0.0, Qt::white);
    background.setColorAt(1.0, QColor(255, 0, 128));
    chart->setBackgroundBrush(background);
    chart->setBackgroundRoundness(0);

    // The chart is small (250 px high): trim Qt's generous margins and use the window's
    // small sizes so that the plot area keeps most of it.
    chart->setMargins(QMargins(4, 2, 12, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
}

void SignalChart::setUpAxes()
{
    showRange(0.0, kFixedSpanX);
    m_bottomAxis->setTitleText(kFixedTimeTitle);
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
    chart()->setLocale(labelLocale());
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
    describe();
    setUpMeasures();
}

void SignalChart::setUpMeasures()
{
    m_panel->setFont(chartFont(10));
    m_panel->setStyleSheet(QStringLiteral("QLabel { background: rgba(255, 255, 255, 225); "
                                          "border: 1px solid rgb(128, 128, 128); padding: 2px; }"));
    m_panel->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the chart
    m_panel->setAccessibleName(QStringLiteral("Medidas dos cursores"));
    m_panel->hide();
}

void SignalChart::describe()
{
    QString text =
        QStringLiteral("Gráfico de linha da tensão lida da placa, de 0 a 5,5 V, por amostra, ");
    text += wholeSessionView()
                ? QStringLiteral("a sessão inteira, por segundo: a roda do mouse e as teclas + e "
                                 "− aproximam, arrastar e as setas (sem cursor posto) deslocam, "
                                 "Home mostra tudo")
                : QStringLiteral("de 0 a %1").arg(kFixedSpanX);
    text += QStringLiteral(". Para medir, um clique põe o cursor A na amostra mais próxima e "
                           "Shift+clique, o B; com o gráfico em foco, as teclas A e B os põem, as "
                           "setas movem o último posto e Esc tira os dois");
    if (const std::size_t events = m_series ? m_series->store().events().size() : 0)
        text += events == 1 ? QStringLiteral(". Um evento marcado")
                            : QStringLiteral(". %L1 eventos marcados").arg(events);
    const SampleStore::Gap dropped = m_series ? m_series->store().dropped() : SampleStore::Gap{};
    m_describedDropped = dropped.size();
    m_sinceDescribed.start();
    if (dropped.size() > 0)
        text += QStringLiteral(". Para caber na memória, %L1 amostras depois da %L2ª foram "
                               "descartadas do gráfico; “Gravar continuamente…” guarda todas")
                    .arg(dropped.size())
                    .arg(dropped.first);
    if (!m_recordingFile.isEmpty())
        text += QStringLiteral(". Gravando os dados em “%1”").arg(m_recordingFile);
    setAccessibleDescription(text);
}

void SignalChart::setRecordingFile(const QString &path)
{
    m_recordingFile = QDir::toNativeSeparators(path);
    describe();
}

void SignalChart::noteDropped()
{
    // A fast stream drops samples at every frame: the description follows once a second.
    const std::int64_t dropped = m_series->store().dropped().size();
    if (dropped != m_describedDropped
        && (m_describedDropped == 0 || m_sinceDescribed.elapsed() >= 1000))
        describe();
}

void SignalChart::setWholeSessionView(bool on)
{
    if (!m_series || on == wholeSessionView())
        return;
    // Round numbers along a range of any width; the fixed view keeps its eleven labels.
    m_bottomAxis->setTickType(on ? QValueAxis::TicksDynamic : QValueAxis::TicksFixed);
    m_bottomAxis->setTitleText(on ? kReviewTimeTitle : kFixedTimeTitle);
    if (!on)
        m_bottomAxis->setLabelFormat(QStringLiteral("%.0f"));
    if (on) {
        m_series->reviewWholeSession();
        viewport()->setCursor(Qt::OpenHandCursor);
    } else {
        m_series->endReview();
        viewport()->unsetCursor();
    }
    m_pressed = m_dragging = false;
    describe();
    emit wholeSessionViewChanged(on);
}

bool SignalChart::wholeSessionView() const
{
    return m_series && m_series->reviewing();
}

void SignalChart::showRange(double minX, double maxX)
{
    // About ten labels, a step of 1, 2 or 5 times a power of ten.
    const double rough = (maxX - minX) / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * power;
    for (const double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * power >= rough) {
            step = multiple * power;
            break;
        }
    }
    // The axis makes a label for every step at once: a wide range with the narrow step of
    // the range before would make thousands. The coarser of the two goes first.
    const bool widening = step > m_bottomAxis->tickInterval();
    if (widening)
        m_bottomAxis->setTickInterval(step);
    m_bottomAxis->setRange(minX, maxX);
    if (!widening)
        m_bottomAxis->setTickInterval(step);
    // As many decimals as the step needs: 0.5 s steps take one.
    if (wholeSessionView()) {
        const int decimals = std::max(0, int(std::ceil(-std::log10(step) - 1e-9)));
        m_bottomAxis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    }
    if (m_timeOfDayAxis && wholeSessionView())
        labelTimeOfDay(minX, maxX, step);
    if (m_cursors && !m_cursors->isEmpty())
        placePanel(); // the cursors move across the view
}

void SignalChart::showTimeOfDay()
{
    if (m_timeOfDayAxis || !m_series)
        return;
    m_timeOfDayAxis = new QCategoryAxis;
    m_timeOfDayAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_timeOfDayAxis->setGridLineVisible(false);
    m_timeOfDayAxis->setTitleText(QStringLiteral("Hora (instante)"));
    m_timeOfDayAxis->setLabelsFont(chartFont(10));
    m_timeOfDayAxis->setTitleFont(chartFont(11));
    chart()->addAxis(m_timeOfDayAxis, Qt::AlignTop);
    for (QLineSeries *piece : m_series->pieces())
        piece->attachAxis(m_timeOfDayAxis);
    labelTimeOfDay(m_bottomAxis->min(), m_bottomAxis->max(), m_bottomAxis->tickInterval());
}

// The time of day over each label of the time axis: the wall clock of the sample nearest
// it, plus the steady time between them, so that a clock changed between samples (or a
// summer time's start) shows where it happened.
void SignalChart::labelTimeOfDay(double minX, double maxX, double step)
{
    const SampleStore &store = m_series->store();
    for (const QString &label : m_timeOfDayAxis->categoriesLabels())
        m_timeOfDayAxis->remove(label);
    m_timeOfDayAxis->setRange(minX, maxX);
    m_timeOfDayAxis->setStartValue(minX - step / 1000.0);
    const QString format = step < 1.0 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
    for (double x = std::ceil(minX / step) * step; x <= maxX; x += step) {
        const std::int64_t n = nearestSample(store, x, TraceAxis::Seconds);
        if (n < 0 || store.at(n).wallMs == 0)
            continue;
        const qint64 wallMs =
            store.at(n).wallMs + qRound64((x - traceX(store, n, TraceAxis::Seconds)) * 1000.0);
        const QString label = QDateTime::fromMSecsSinceEpoch(wallMs).toString(format);
        if (!m_timeOfDayAxis->categoriesLabels().contains(label))
            m_timeOfDayAxis->append(label, x);
    }
}

double SignalChart::valueAt(double viewX) const
{
    const QRectF area = chart()->plotArea();
    const double chartX = chart()->mapFromScene(mapToScene(QPoint(qRound(viewX), 0))).x();
    return m_bottomAxis->min()
           + (chartX - area.left()) / area.width() * (m_bottomAxis->max() - m_bottomAxis->min());
}

void SignalChart::zoomAround(double x, double factor)
{
    const double minX = m_bottomAxis->min();
    const double span = m_bottomAxis->max() - minX;
    const double newSpan = std::max(span * factor, m_series->narrowestSpanAt(x));
    const double newMinX = x - (x - minX) * newSpan / span;
    reviewRange(newMinX, newMinX + newSpan);
}

void SignalChart::panBy(double dx)
{
    reviewRange(m_bottomAxis->min() + dx, m_bottomAxis->max() + dx);
}

// Keeps the range within the session; one as wide as the session shows all of it.
void SignalChart::reviewRange(double minX, double maxX)
{
    const QPair<double, double> whole = m_series->wholeSession();
    if (maxX - minX >= whole.second - whole.first) {
        m_series->reviewWholeSession();
        return;
    }
    const double shift = std::max(0.0, whole.first - minX) - std::max(0.0, maxX - whole.second);
    m_series->review(minX + shift, maxX + shift);
}

void SignalChart::wheelEvent(QWheelEvent *event)
{
    if (!wholeSessionView())
        return QChartView::wheelEvent(event);
    runGuarded([&] {
        // A notch (120) in zooms in to 80 % of the range.
        const double notches = event->angleDelta().y() / 120.0;
        zoomAround(valueAt(event->position().x()), std::pow(0.8, notches));
    });
    event->accept();
}

void SignalChart::mousePressEvent(QMouseEvent *event)
{
    if (!m_series || event->button() != Qt::LeftButton)
        return QChartView::mousePressEvent(event);
    m_pressed = true;
    m_dragging = false;
    m_pressX = event->position().x();
    event->accept();
}

void SignalChart::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return QChartView::mouseMoveEvent(event);
    event->accept();
    const double x = event->position().x();
    if (!m_dragging) { // a move of a pixel or two is still a click
        if (!wholeSessionView() || std::abs(x - m_pressX) < QApplication::startDragDistance())
            return;
        m_dragging = true;
        m_dragFromX = m_pressX;
    }
    runGuarded([&] {
        const double along = valueAt(x) - valueAt(m_dragFromX);
        m_dragFromX = x;
        panBy(-along); // the trace follows the pointer
    });
}

void SignalChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressed || event->button() != Qt::LeftButton)
        return QChartView::mouseReleaseEvent(event);
    m_pressed = false;
    event->accept();
    const bool click =
        !m_dragging
        && std::abs(event->position().x() - m_pressX) < QApplication::startDragDistance()
        && plotInView().contains(event->position().toPoint());
    m_dragging = false;
    if (click)
        runGuarded([&] {
            placeAt(m_pressX,
                    event->modifiers() & Qt::ShiftModifier ? ChartCursors::B : ChartCursors::A);
        });
}

// The measuring keys, in either view: true when the key was one of them.
bool SignalChart::cursorKey(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_A:
        placeByKey(ChartCursors::A);
        return true;
    case Qt::Key_B:
        placeByKey(ChartCursors::B);
        return true;
    case Qt::Key_Escape:
        if (m_cursors->isEmpty())
            return false;
        m_cursors->clear();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (m_cursors->isEmpty())
            return false; // under review they move the range
        m_cursors->step((event->key() == Qt::Key_Left ? -1 : 1) * (shift ? 10 : 1));
        keepActiveCursorShown();
        return true;
    default:
        return false;
    }
}

// A key puts its cursor on the first (A) or last (B) sample shown, or, when it is there
// already, makes it the one the arrows move.
void SignalChart::placeByKey(ChartCursors::Cursor cursor)
{
    const std::optional<std::int64_t> at = m_cursors->at(cursor);
    if (at && sampleX(*at) >= m_bottomAxis->min() && sampleX(*at) <= m_bottomAxis->max())
        return m_cursors->activate(cursor);
    const double edge = cursor == ChartCursors::A ? m_bottomAxis->min() : m_bottomAxis->max();
    std::int64_t number = nearestSample(m_series->store(), edge, m_series->axis());
    // The fixed view shows the samples up to its right edge, not the latest beyond it.
    if (!wholeSessionView() && number > std::int64_t(edge))
        number = std::int64_t(edge);
    m_cursors->place(cursor, number);
}

void SignalChart::placeAt(double viewX, ChartCursors::Cursor cursor)
{
    m_cursors->place(cursor, nearestSample(m_series->store(), valueAt(viewX), m_series->axis()));
}

// Under review, the range follows a cursor the keys move out of it.
void SignalChart::keepActiveCursorShown()
{
    const std::optional<std::int64_t> at = m_cursors->at(m_cursors->active());
    if (!wholeSessionView() || !at)
        return;
    const double x = sampleX(*at);
    const double min = m_bottomAxis->min();
    const double max = m_bottomAxis->max();
    if (x < min)
        panBy(x - min - (max - min) / 10.0);
    else if (x > max)
        panBy(x - max + (max - min) / 10.0);
}

QString SignalChart::measuresText() const
{
    return m_cursors ? ::measuresText(m_cursors->measures(), QLocale()) : QString();
}

void SignalChart::showEvents()
{
    describe();
    viewport()->update();
}

void SignalChart::showMeasures()
{
    m_measures = m_cursors->measures();
    m_panel->setVisible(!m_measures.isEmpty());
    viewport()->update();
    if (m_measures.isEmpty())
        return;
    m_panel->setText(panelLines(m_measures, QLocale()).join(QLatin1Char('\n')));
    m_panel->setAccessibleDescription(::measuresText(m_measures, QLocale()));
    m_panel->adjustSize();
    placePanel();
}

// The panel sits inside the plot, in its top right corner, or its top left when that
// covers fewer of the cursors' lines.
void SignalChart::placePanel()
{
    const QRect plot = plotInView();
    const QRect right(plot.right() - m_panel->width() - 4, plot.top() + 4, m_panel->width(),
                      m_panel->height());
    const QRect left = right.translated(plot.left() + 4 - right.left(), 0);
    const auto covered = [&](const QRect &place) {
        int lines = 0;
        for (const std::optional<CursorReading> &cursor : {m_measures.a, m_measures.b})
            if (cursor) {
                const double x = viewXOf(sampleX(cursor->number));
                lines += x >= place.left() - 8 && x <= place.right() + 8;
            }
        return lines;
    };
    m_panel->move(covered(left) < covered(right) ? left.topLeft() : right.topLeft());
}

void SignalChart::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return QChartView::keyPressEvent(event);
    if (m_cursors) {
        bool taken = false;
        runGuarded([&] { taken = cursorKey(event); });
        if (taken)
            return event->accept();
    }
    if (!wholeSessionView())
        return QChartView::keyPressEvent(event);
    const double centre = (m_bottomAxis->min() + m_bottomAxis->max()) / 2.0;
    const double tenth = (m_bottomAxis->max() - m_bottomAxis->min()) / 10.0;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        runGuarded([&] { zoomAround(centre, 0.5); });
        break;
    case Qt::Key_Minus:
        runGuarded([&] { zoomAround(centre, 2.0); });
        break;
    case Qt::Key_Left:
        runGuarded([&] { panBy(-tenth); });
        break;
    case Qt::Key_Right:
        runGuarded([&] { panBy(tenth); });
        break;
    case Qt::Key_Home:
        runGuarded([&] { m_series->reviewWholeSession(); });
        break;
    default:
        return QChartView::keyPressEvent(event);
    }
    event->accept();
}

void SignalChart::paintEvent(QPaintEvent *event)
{
    QChartView::paintEvent(event);
    QPainter painter(viewport());
    if (wholeSessionView())
        paintDropped(painter);
    // Nothing more to draw in most frames: no event marked, no cursor placed.
    if (m_series && !m_series->store().events().empty())
        paintEvents(painter);
    if (m_cursors && !m_cursors->isEmpty())
        paintCursors(painter);
    // The chart is in the tab order; a frame shows when it has the focus.
    if (!hasFocus())
        return;
    // Drawn here rather than by the style, whose focus rectangle tints the whole chart.
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(viewport()->rect()).adjusted(1.0, 1.0, -1.0, -1.0));
}

// The span of dropped samples, hatched across the plot's height, with their count.
void SignalChart::paintDropped(QPainter &painter)
{
    const QPair<double, double> span = m_series->droppedSpan();
    if (span.first >= span.second)
        return;
    const QRectF area = chart()->plotArea();
    const double scale = area.width() / (m_bottomAxis->max() - m_bottomAxis->min());
    const double left = area.left() + (span.first - m_bottomAxis->min()) * scale;
    const double right = area.left() + (span.second - m_bottomAxis->min()) * scale;
    const QRectF inChart = QRectF(QPointF(left, area.top()), QPointF(right, area.bottom()))
                               .intersected(area)
                               .adjusted(0, 0, std::max(0.0, 2.0 - (right - left)), 0);
    if (inChart.isEmpty())
        return;
    const QRect band = mapFromScene(chart()->mapToScene(inChart)).boundingRect();
    painter.save();
    painter.fillRect(band, QColor(96, 96, 96, 32));
    painter.fillRect(band, QBrush(QColor(96, 96, 96, 90), Qt::BDiagPattern));
    painter.setPen(QColor(64, 64, 64));
    painter.setFont(chartFont(10));
    painter.drawText(band.adjusted(2, 2, 200, 0), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("%L1 descartadas").arg(m_series->store().dropped().size()));
    painter.restore();
}

double SignalChart::sampleX(std::int64_t number) const
{
    return traceX(m_series->store(), number, m_series->axis());
}

// Where a value of the x axis lies across the view, in pixels.
double SignalChart::viewXOf(double value) const
{
    const QRectF area = chart()->plotArea();
    const double chartX = area.left()
                          + (value - m_bottomAxis->min())
                                / (m_bottomAxis->max() - m_bottomAxis->min()) * area.width();
    return mapFromScene(chart()->mapToScene(QPointF(chartX, area.top()))).x();
}

QRect SignalChart::plotInView() const
{
    return mapFromScene(chart()->mapToScene(chart()->plotArea())).boundingRect();
}

// Each event shown: a dashed line at its sample, its text at the line's top.
void SignalChart::paintEvents(QPainter &painter)
{
    const SampleStore &store = m_series->store();
    const QRect plot = plotInView();
    painter.save();
    painter.setFont(chartFont(10));
    for (const auto &[number, text] : store.events()) {
        const double x = sampleX(number);
        if (x < m_bottomAxis->min() || x > m_bottomAxis->max())
            continue;
        const double at = viewXOf(x);
        painter.setPen(QPen(kEventColour, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
        const QString shown =
            painter.fontMetrics().elidedText(text.simplified(), Qt::ElideRight, 150);
        const QRect label = painter.fontMetrics()
                                .boundingRect(shown)
                                .translated(qRound(at) + 3, plot.bottom() - 4)
                                .adjusted(-1, 0, 1, 0);
        painter.fillRect(label, QColor(255, 255, 255, 200));
        painter.setPen(kEventColour);
        painter.drawText(label, Qt::AlignCenter, shown);
    }
    painter.restore();
}

// Each cursor placed: a line across the plot at its sample, its letter at the line's top;
// the one the arrows move is drawn bolder.
void SignalChart::paintCursors(QPainter &painter)
{
    const QRect plot = plotInView();
    painter.save();
    painter.setFont(chartFont(10));
    for (const ChartCursors::Cursor cursor : {ChartCursors::A, ChartCursors::B}) {
        const std::optional<std::int64_t> number = m_cursors->at(cursor);
        if (!number || sampleX(*number) < m_bottomAxis->min()
            || sampleX(*number) > m_bottomAxis->max())
            continue;
        const double at = viewXOf(sampleX(*number));
        const bool active = m_cursors->active() == cursor;
        painter.setPen(QPen(kCursorColours[cursor], active ? 2.0 : 1.0));
        painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
        const QRectF label(at - 6, plot.top(), 12, 13);
        painter.fillRect(label, kCursorColours[cursor]);
        painter.setPen(Qt::white);
        painter.drawText(label, Qt::AlignCenter, cursor == ChartCursors::A ? "A" : "B");
    }
    painter.restore();
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
    m_series = series;
    m_cursors = new ChartCursors(series->store(), this);
    connect(m_cursors, &ChartCursors::changed, this, &SignalChart::showMeasures);
    connect(series, &LineSeries::cleared, m_cursors, &ChartCursors::clear);
    connect(series, &LineSeries::cleared, this, &SignalChart::showEvents);
    connect(series, &LineSeries::shownRangeChanged, this, &SignalChart::showRange);
    connect(series, &LineSeries::handedOver, this, [this] {
        m_cursors->followStore();
        noteDropped();
        if (wholeSessionView())
            viewport()->update(); // the marked span moves with the range
    });
    // Under review the line is thinned to the plot's pixel columns.
    const auto setColumns = [this](const QRectF &area) {
        m_series->setColumns(qCeil(area.width() * devicePixelRatioF()));
        if (!m_cursors->isEmpty())
            placePanel();
    };
    connect(chart(), &QChart::plotAreaChanged, this, setColumns);
    setColumns(chart()->plotArea());
    series->setVisibleRange(0.0, kFixedSpanX);
}
