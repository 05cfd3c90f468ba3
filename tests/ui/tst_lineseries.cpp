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

    void wait(int ms) { now += milliseconds(ms); }
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
        s.series.AppendPoint(0, 1.0);
        QCOMPARE(s.series.line()->points(), QList<QPointF>{QPointF(0, 1.0)});
        s.wait(16); // a whole period since that refresh
        s.series.AppendPoint(1, 2.0);
        QCOMPARE(s.drawn(), 2);
        QCOMPARE(s.handOvers.count(), 2);
    }

    void burstIsDrawnOnceAtThePeriodsEnd()
    {
        ClockedSeries s;
        s.series.AppendPoint(0, 1.0);
        for (int x = 1; x <= 3; ++x) {
            s.wait(5);
            s.series.AppendPoint(x, 2.0);
        }
        QCOMPARE(s.drawn(), 1);
        s.wait(1);
        QTRY_COMPARE(s.drawn(), 4);
        QCOMPARE(s.handOvers.count(), 2);
    }

    void periodRunsFromTheLastRefresh()
    {
        // Frames every 10 ms: the second waits for the period's end, and so does the
        // third, which comes 4 ms after that refresh.
        ClockedSeries s;
        s.series.AppendPoint(0, 1.0);
        s.wait(10);
        s.series.AppendPoint(1, 2.0);
        s.wait(6);
        QTRY_COMPARE(s.drawn(), 2);
        s.wait(4);
        s.series.AppendPoint(2, 3.0);
        QCOMPARE(s.drawn(), 2);
        s.wait(12);
        QTRY_COMPARE(s.drawn(), 3);
        QCOMPARE(s.handOvers.count(), 3);
    }

    void clearingIsDrawnAsAFrameIs()
    {
        ClockedSeries s;
        s.series.AppendPoint(0, 1.0);
        s.wait(20);
        s.series.ClearPoints();
        QCOMPARE(s.drawn(), 0);
        s.series.AppendPoint(0, 1.0);
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
