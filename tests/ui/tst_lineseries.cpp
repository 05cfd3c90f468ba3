// When the signal's changes reach the chart's line: a change after a quiet spell at once,
// changes within a refresh period together at its end, none left behind. The series is
// told the time by the test; the end of a period is a real timer the test waits for.

#include "ui/lineseries.h"

#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono;

namespace {

struct ClockedSeries
{
    steady_clock::time_point now{};
    LineSeries series{nullptr, [this] { return now; }};
    QSignalSpy handOvers{series.line(), &QXYSeries::pointsReplaced};
    int frames = 0;

    void wait(int ms) { now += milliseconds(ms); }
    void frameAfter(int ms)
    {
        wait(ms);
        series.AppendPoint(frames++, 1.0);
    }
    qsizetype drawn() const { return series.line()->count(); }
};

} // namespace

class TstLineSeries : public QObject
{
    Q_OBJECT

private slots:
    void frameAfterQuietIsDrawnAtOnce()
    {
        ClockedSeries s;
        s.frameAfter(0);
        QCOMPARE(s.series.line()->points(), QList<QPointF>{QPointF(0, 1.0)});
        s.frameAfter(16); // a whole period since that refresh
        QCOMPARE(s.drawn(), 2);
        QCOMPARE(s.handOvers.count(), 2);
    }

    void burstIsDrawnOnceAtThePeriodsEnd()
    {
        ClockedSeries s;
        s.frameAfter(0);
        s.frameAfter(5);
        s.frameAfter(5);
        s.frameAfter(5);
        QCOMPARE(s.drawn(), 1);
        s.wait(1);
        QTRY_COMPARE(s.drawn(), 4);
        QCOMPARE(s.handOvers.count(), 2);
    }

    void streamIsDrawnOnA16MsBeat()
    {
        // A frame every 10 to 20 ms: the chart refreshes at 0, 16, 32, 48... by the clock,
        // even when the timer for one of them runs late (the test's clock moves on first).
        ClockedSeries s;
        s.frameAfter(0);
        s.frameAfter(10);
        s.wait(15);
        QTRY_COMPARE(s.drawn(), 2); // the refresh due at 16, at 25
        s.frameAfter(3);            // 28: within the period that began at 16
        QCOMPARE(s.drawn(), 2);
        s.wait(4);
        QTRY_COMPARE(s.drawn(), 3);
        s.frameAfter(10);
        s.wait(13);
        QTRY_COMPARE(s.drawn(), 4); // the refresh due at 48, at 55
        s.frameAfter(9);            // 64: a whole period after 48
        QCOMPARE(s.drawn(), 5);
        QCOMPARE(s.handOvers.count(), 5);
    }

    void clearingIsDrawnAsAFrameIs()
    {
        ClockedSeries s;
        s.frameAfter(0);
        s.wait(20);
        s.series.ClearPoints();
        QCOMPARE(s.drawn(), 0);
        s.frameAfter(0);
        s.wait(2);
        s.series.ClearPoints(); // within the period: waits for its end
        QCOMPARE(s.handOvers.count(), 2);
        s.wait(14);
        QTRY_COMPARE(s.handOvers.count(), 3);
        QCOMPARE(s.drawn(), 0);
    }
};

QTEST_MAIN(TstLineSeries)
#include "tst_lineseries.moc"
