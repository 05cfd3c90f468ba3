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
};

QTEST_MAIN(TstLineSeries)
#include "tst_lineseries.moc"
