// Looking back over the whole session: the x axis spans every point held, in seconds, the
// wheel, a drag and the keys zoom and pan it, the line is thinned to the plot's pixel
// columns however many points it holds, and the fixed view comes back as it was. Here the
// samples come a second apart, so that a sample's number is its time too.

#include "ui/lineseries.h"
#include "ui/signalchart.h"
#include "ui/windowdesign.h"

#include <QLabel>
#include <QtTest>
#include <QValueAxis>

namespace {

using Range = QPair<double, double>;
enum View { Fixed, WholeSession };

constexpr std::uint16_t kLowReading = 100;  // 0.48828125 V
constexpr std::uint16_t kHighReading = 900; // 4.39453125 V

// The chart as in the window, a zigzag of `count` points on it, in the view given.
struct ShownChart
{
    explicit ShownChart(int count, View view = Fixed,
                        std::int64_t capacity = SampleStore::kDefaultCapacity)
        : store(capacity)
    {
        chart.addSeries(&series);
        chart.resize(kChart1Geometry.size());
        chart.show();
        for (int x = 0; x < count; ++x)
            add(x % 2 ? kHighReading : kLowReading);
        chart.setWholeSessionView(view == WholeSession);
        series.flush();
    }
    void add(std::uint16_t reading)
    {
        const std::int64_t x = store.count();
        store.append({x * 1000000000, 0, reading, 1});
        series.AppendPoint(double(x), voltageFromRaw(reading));
    }
    // The time axis's range, to a millionth: sums that differ in their last bits are equal.
    Range range() const
    {
        const auto *x = qobject_cast<QValueAxis *>(chart.chart()->axes(Qt::Horizontal).first());
        return {std::round(x->min() * 1e6) / 1e6, std::round(x->max() * 1e6) / 1e6};
    }
    // The numbers along the time axis, as drawn, in order.
    QList<int> timeLabels() const
    {
        QCoreApplication::processEvents();
        QList<int> labels;
        for (QGraphicsItem *item : chart.scene()->items()) {
            bool isNumber = false;
            const auto *text = dynamic_cast<QGraphicsTextItem *>(item);
            if (const int value = text ? text->toPlainText().toInt(&isNumber) : 0; isNumber)
                labels << value;
        }
        std::sort(labels.begin(), labels.end());
        return labels;
    }
    // The point `fraction` of the way across the plot, at its mid-height, in the view.
    QPoint at(double fraction) const
    {
        const QRectF area = chart.chart()->plotArea();
        const QPointF inChart(area.left() + fraction * area.width(), area.center().y());
        return chart.mapFromScene(chart.chart()->mapToScene(inChart));
    }
    // The x value the chart draws under a point of the view.
    double valueAt(QPoint p) const
    {
        return chart.chart()->mapToValue(chart.chart()->mapFromScene(chart.mapToScene(p))).x();
    }
    void key(Qt::Key key) { QTest::keyClick(&chart, key); }
    // The left button pressed `from` the way across the plot and released `to` it.
    void drag(double from, double to)
    {
        QTest::mousePress(chart.viewport(), Qt::LeftButton, {}, at(from));
        QTest::mouseMove(chart.viewport(), at(to));
        QTest::mouseRelease(chart.viewport(), Qt::LeftButton, {}, at(to));
    }
    void wheel(QPoint at, int notches)
    {
        QWheelEvent turn(at, chart.mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart.viewport(), &turn);
    }
    SampleStore store;
    SignalChart chart;
    LineSeries series{store};
};

} // namespace

class TstSessionView : public QObject
{
    Q_OBJECT

private slots:
    void wholeSessionSpansEveryPoint()
    {
        ShownChart s(250, WholeSession);
        QCOMPARE(s.range(), Range(0, 249));
        QCOMPARE(s.series.drawnPoints().first(), QPointF(0, 0.48828125));
        QCOMPARE(s.series.drawnPoints().last(), QPointF(249, 4.39453125));
        s.key(Qt::Key_Plus);
        s.key(Qt::Key_Home); // back to all of it, following what comes
        for (int x = 250; x < 300; ++x)
            s.add(512);
        s.series.flush();
        QCOMPARE(s.range(), Range(0, 299));
        QCOMPARE(s.series.drawnPoints().last(), QPointF(299, 2.5));
        s.key(Qt::Key_Plus);
        s.store.clear(); // a zoom into the old session would show nothing
        s.series.ClearPoints();
        s.series.flush();
        QCOMPARE(s.range(), Range(0, LineSeries::kShortestSessionSeconds));
        QCOMPARE(s.timeLabels(), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }

    // The wheel zooms about the point under the pointer, out no further than the whole
    // session and in no further than 10 samples; about ten round labels, a step of 1, 2 or
    // 5 times a power of ten, mark the range shown, zooming in as well as out.
    void wheelZoomsAboutThePointerAndLabelsFollow()
    {
        ShownChart s(1000, WholeSession);
        QCOMPARE(s.timeLabels(), (QList<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
        const QPoint pointer = s.at(0.3);
        const double under = s.valueAt(pointer);
        s.wheel(pointer, 1);
        QCOMPARE(s.range().second - s.range().first, 999 * 0.8);
        QCOMPARE(s.valueAt(pointer), under);
        s.wheel(pointer, -3); // out past the whole session: all of it, no more
        QCOMPARE(s.range(), Range(0, 999));
        s.wheel(s.at(0.5), 10);
        QCOMPARE(s.timeLabels(), (QList<int>{460, 480, 500, 520, 540}));
        s.wheel(s.at(0.5), 4);
        QCOMPARE(s.timeLabels(), (QList<int>{480, 485, 490, 495, 500, 505, 510, 515, 520}));
        s.wheel(s.at(0.5), 20);
        QCOMPARE(s.range().second - s.range().first, 10.0);
    }

    // From the middle half of 1,000 samples, zoomed in with "+".
    void keysMoveTheRange_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("presses");
        QTest::addColumn<Range>("range");
        QTest::newRow("Right: a tenth later") << Qt::Key_Right << 1 << Range(399.6, 649.35);
        QTest::newRow("Left: a tenth earlier") << Qt::Key_Left << 1 << Range(349.65, 599.4);
        QTest::newRow("minus: twice as wide") << Qt::Key_Minus << 1 << Range(249.75, 749.25);
        QTest::newRow("Left, 20 times: stops at the first sample")
            << Qt::Key_Left << 20 << Range(0, 249.75);
        QTest::newRow("Right, 20 times: stops at the last sample")
            << Qt::Key_Right << 20 << Range(749.25, 999);
    }
    void keysMoveTheRange()
    {
        QFETCH(Qt::Key, key);
        QFETCH(int, presses);
        QFETCH(Range, range);
        ShownChart s(1000, WholeSession);
        s.key(Qt::Key_Plus);
        s.key(Qt::Key_Plus);
        for (int i = 0; i < presses; ++i)
            s.key(key);
        QCOMPARE(s.range(), range);
    }

    void dragPansTheTraceWithThePointer()
    {
        ShownChart s(1000, WholeSession);
        s.key(Qt::Key_Plus);
        const Range zoomed = s.range();
        QTest::mouseMove(s.chart.viewport(), s.at(0.25)); // no button down: nothing moves
        QCOMPARE(s.range(), zoomed);
        const double under = s.valueAt(s.at(0.5));
        s.drag(0.5, 0.25);
        QCOMPARE(qRound(s.valueAt(s.at(0.25))), qRound(under));
        const Range released = s.range();
        QTest::mouseMove(s.chart.viewport(), s.at(0.75)); // the button is up: nothing moves
        QCOMPARE(s.range(), released);
    }

    // Under review a click (a press and a release where it was) puts A on the sample
    // nearest, Shift+click puts B; the arrows move the cursor placed last, one sample, and
    // the range only once Esc has removed the cursors; a drag still moves the range.
    void cursorsTakeClicksAndArrowsFromTheRange()
    {
        ShownChart s(1000, WholeSession);
        s.key(Qt::Key_Plus);
        const Range zoomed = s.range();
        const auto clickAt = [&](double fraction, Qt::KeyboardModifiers keys) {
            QTest::mouseClick(s.chart.viewport(), Qt::LeftButton, keys, s.at(fraction));
        };
        clickAt(0.5, {});
        clickAt(0.75, Qt::ShiftModifier);
        const ChartCursors &cursors = *s.chart.cursors();
        // The sample nearest, the earlier of two as near (where the fonts make a click fall
        // halfway between samples, as Windows' do).
        const auto nearest = [](double x) { return std::int64_t(std::ceil(x - 0.5)); };
        QCOMPARE(cursors.at(ChartCursors::A), nearest(s.valueAt(s.at(0.5))));
        QCOMPARE(cursors.at(ChartCursors::B), nearest(s.valueAt(s.at(0.75))));
        const std::int64_t a = *cursors.at(ChartCursors::A);
        const std::int64_t b = *cursors.at(ChartCursors::B);
        s.key(Qt::Key_Right);
        QCOMPARE(cursors.at(ChartCursors::B), b + 1);
        QCOMPARE(s.range(), zoomed);
        QCOMPARE(s.chart.measurePanel()->isVisible(), true);
        s.drag(0.5, 0.25);
        QVERIFY(s.range() != zoomed);
        QCOMPARE(cursors.at(ChartCursors::A), a);
        s.key(Qt::Key_Escape);
        QCOMPARE(cursors.isEmpty(), true);
        QCOMPARE(s.chart.measurePanel()->isVisible(), false);
        const Range dragged = s.range();
        s.key(Qt::Key_Right);
        QVERIFY(s.range() != dragged);
    }

    void fixedViewComesBackAsItWas()
    {
        ShownChart s(150);
        s.wheel(s.at(0.5), 1); // the fixed view ignores the wheel, the keys and a drag
        s.key(Qt::Key_Plus);
        s.drag(0.5, 0.25);
        QCoreApplication::processEvents();
        const QImage before = s.chart.grab().toImage();
        const QString description = s.chart.accessibleDescription();
        s.chart.setWholeSessionView(true);
        s.key(Qt::Key_Plus);
        s.key(Qt::Key_Right);
        s.series.flush();
        QCoreApplication::processEvents();
        QVERIFY(s.chart.grab().toImage() != before);
        s.chart.setWholeSessionView(false);
        s.series.flush();
        QCoreApplication::processEvents();
        QCOMPARE(s.chart.grab().toImage(), before);
        QCOMPARE(s.chart.accessibleDescription(), description);
    }

    // A day at a sample a second, drawn across a few hundred pixels: a few points per
    // column of the screen's own pixels, two to a pixel on a 200 % screen. (What each
    // column keeps is the point store's test.)
    void wholeDayIsThinnedToThePixelColumns()
    {
        ShownChart s(86400, WholeSession);
        const int columns =
            qCeil(s.chart.chart()->plotArea().width() * s.chart.devicePixelRatioF());
        QCOMPARE_LE(s.series.drawnPoints().size(), 4 * columns);
        QCOMPARE_GE(s.series.drawnPoints().size(), 2 * columns); // each column's first and last
    }

    // Where the store dropped samples, the line breaks, the span is hatched across the
    // plot, and the description says how many were dropped and what keeps them all.
    void droppedSamplesAreShownAndTold()
    {
        ShownChart s(200, WholeSession, 110); // 90 dropped after the first 101
        QCOMPARE(s.series.drawnPoints().size(), 110);
        QVERIFY(s.chart.accessibleDescription().contains(
            "90 amostras depois da 101ª foram descartadas do gráfico; “Gravar continuamente…” "
            "guarda todas"));
        QCoreApplication::processEvents();
        const QImage shown = s.chart.grab().toImage();
        // Above the line (over 4.4 V) the plot's background changes only with the height:
        // a column in the span dropped, against one in the samples kept.
        const int top = s.chart.mapFromScene(s.chart.chart()->plotArea().topLeft()).y();
        int marked = 0;
        for (int y = top + 2; y < top + 30; ++y)
            marked += shown.pixel(QPoint(s.at(0.75).x(), y) * shown.devicePixelRatio())
                      != shown.pixel(QPoint(s.at(0.25).x(), y) * shown.devicePixelRatio());
        QCOMPARE_GT(marked, 5);
    }
};

QTEST_MAIN(TstSessionView)
#include "tst_sessionview.moc"
