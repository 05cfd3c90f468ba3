// The signal chart: its fixed settings, and what it actually paints as points come,
// go beyond its right edge and are cleared.

#include "lineseries.h"
#include "ptyboard.h"
#include "signalchart.h"
#include "signalstate.h"
#include "tform1.h"

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QtTest>
#include <QValueAxis>

#include <cmath>
#include <memory>

class TstChart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void settings();
    void axes_data();
    void axes();
    void drawsArrivingFramesUntilCleared();
    void pointsBeyondTheRightEdge();

private:
    QImage plotArea() const;
    static int bluePixels(const QImage &image);
    void appendWave(int fromX, int toX, double offset = 0.0);

    std::unique_ptr<PtyBoard> m_board;
    std::unique_ptr<TForm1> m_form;
};

void TstChart::init()
{
    m_board = std::make_unique<PtyBoard>();
    QVERIFY(m_board->isValid());
    SerialSettings link;
    link.port = m_board->devicePath();
    SampleIndex = 0;
    m_form = std::make_unique<TForm1>(link);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TstChart::cleanup()
{
    m_form.reset();
    m_board.reset();
}

QImage TstChart::plotArea() const
{
    SignalChart *chart = m_form->Chart1;
    const QRect area = chart->mapFromScene(chart->chart()->plotArea()).boundingRect();
    return chart->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

int TstChart::bluePixels(const QImage &image)
{
    // The gradient runs from white to pink and the grid is grey: only the line is blue.
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.blue() > 160 && c.red() < 90 && c.green() < 90;
        }
    return count;
}

void TstChart::appendWave(int fromX, int toX, double offset)
{
    for (int x = fromX; x <= toX; ++x)
        m_form->Series1->AppendPoint(x, 2.5 + 2.0 * std::sin(x / 8.0 + offset));
}

void TstChart::settings()
{
    QChart *chart = m_form->Chart1->chart();
    QCOMPARE(chart->title(), QStringLiteral("Sinal do Sensor"));
    QCOMPARE(chart->titleFont().family(), QStringLiteral("Arial"));
    QCOMPARE(chart->titleFont().pixelSize(), 11);
    QCOMPARE(chart->titleBrush().color(), QColor(Qt::black));
    QVERIFY(!chart->legend()->isVisible());
    QVERIFY(!chart->isPlotAreaBackgroundVisible());
    const QGradient *background = chart->backgroundBrush().gradient();
    QVERIFY(background);
    QCOMPARE(background->stops().last().second, QColor(255, 0, 128));

    QLineSeries *line = m_form->Series1->line();
    QCOMPARE(line->pen().color(), QColor(Qt::blue));
    QCOMPARE(line->pen().width(), 2);
    QVERIFY(!line->pointsVisible());
    QVERIFY(!line->pointLabelsVisible());

    // The gradient shows through the plot area: its bottom is pinker than its top.
    const QImage empty = plotArea();
    const QColor top = empty.pixelColor(3, 3);
    const QColor bottom = empty.pixelColor(3, empty.height() - 4);
    QVERIFY2(bottom.green() < top.green() - 40, qPrintable(top.name() + " " + bottom.name()));
    QVERIFY(bottom.red() > 200);
    QCOMPARE(bluePixels(empty), 0);
}

void TstChart::axes_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QString>("title");
    QTest::newRow("x: samples") << Qt::Horizontal << 100.0 << "Tempo (x10ms)";
    QTest::newRow("y: volts") << Qt::Vertical << 5.5 << "Amplitude em V";
}

void TstChart::axes()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(double, maximum);
    QFETCH(QString, title);
    const QList<QAbstractAxis *> found = m_form->Series1->line()->attachedAxes();
    auto *axis =
        qobject_cast<QValueAxis *>(*std::find_if(found.begin(), found.end(), [&](QAbstractAxis *a) {
            return a->orientation() == orientation;
        }));
    QVERIFY(axis);
    QCOMPARE(axis->titleText(), title);
    QVERIFY(axis->labelsVisible());

    // The value labels are really painted: there is text in the strip beside the plot,
    // more than the few dots that Qt leaves of labels it had to elide.
    SignalChart *view = m_form->Chart1;
    const QRect plot = view->mapFromScene(view->chart()->plotArea()).boundingRect();
    const QRect strip = orientation == Qt::Horizontal
                            ? QRect(plot.left(), plot.bottom() + 4, plot.width(), 10)
                            : QRect(plot.left() - 24, plot.top(), 20, plot.height());
    const QImage labels = view->grab(strip).toImage();
    int dark = 0;
    for (int y = 0; y < labels.height(); ++y)
        for (int x = 0; x < labels.width(); ++x)
            dark += qGray(labels.pixel(x, y)) < 110;
    QVERIFY2(dark > 60, qPrintable(QString::number(dark)));

    // Data far outside both ranges leaves them where they are.
    appendWave(0, 998);
    m_form->Series1->AppendPoint(999, 7.0);
    m_form->Series1->flush();
    QCoreApplication::processEvents();
    QCOMPARE(axis->min(), 0.0);
    QCOMPARE(axis->max(), maximum);
}

void TstChart::drawsArrivingFramesUntilCleared()
{
    // Real frames from the board, one at a time, each a reading near half scale.
    for (int n = 0; n < 8; ++n) {
        const int raw = 300 + 40 * n;
        const char frame[] = {char(raw & 0xff), char(raw >> 8)};
        m_board->send(QByteArray(frame, 2));
        QTRY_COMPARE_WITH_TIMEOUT(m_form->Series1->Count(), n + 1, 5000);
        if (n == 0) { // one point: no segment and no marker
            QTRY_COMPARE_WITH_TIMEOUT(m_form->Series1->line()->count(), 1, 5000);
            QTest::qWait(2 * LineSeries::kRefreshIntervalMs);
            QCOMPARE(bluePixels(plotArea()), 0);
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(bluePixels(plotArea()) > 20, 5000);

    m_form->Button4->click();
    QTRY_COMPARE_WITH_TIMEOUT(bluePixels(plotArea()), 0, 5000);
    QCOMPARE(m_form->Series1->line()->count(), 0);
}

void TstChart::pointsBeyondTheRightEdge()
{
    appendWave(0, 100);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->Series1->line()->count(), 101, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(bluePixels(plotArea()) > 200, 5000);
    const QImage full = plotArea();

    appendWave(101, 150, 1.0);
    QTest::qWait(5 * LineSeries::kRefreshIntervalMs);
    QCOMPARE(plotArea(), full);

    // The series keeps them all; the chart is handed only what it can show.
    appendWave(151, 999);
    m_form->Series1->flush();
    QCOMPARE(m_form->Series1->Count(), 1000);
    QCOMPARE(m_form->Series1->line()->count(), 101);
    QCOMPARE(plotArea(), full);
}

QTEST_MAIN(TstChart)
#include "tst_chart.moc"
