// When the signal's changes reach the chart's line: a change after a quiet spell at once,
// changes within a refresh period together at its end, none left behind; and a new point
// redrawing only the piece of the line it joins. The series is told the time by the test;
// the end of a period is a real timer the test waits for.

#include "ui/lineseries.h"

#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono;

namespace {

struct ClockedSeries
{
    steady_clock::time_point now{};
    LineSeries series{nullptr, [this] { return now; }};
    int frames = 0;
    std::vector<std::unique_ptr<QSignalSpy>> handOverSpies;

    void wait(int ms) { now += milliseconds(ms); }
    void frameAfter(int ms)
    {
        wait(ms);
        const int x = frames++;
        series.AppendPoint(x, x % 2 ? 0.5 : 4.5);
    }
    qsizetype drawn() const { return series.drawnPoints().size(); }

    // From now on, counts how often each piece of the line is handed new points.
    void watchPieces()
    {
        handOverSpies.clear();
        for (QLineSeries *piece : series.pieces())
            handOverSpies.push_back(
                std::make_unique<QSignalSpy>(piece, &QXYSeries::pointsReplaced));
    }
    QList<int> handOvers() const
    {
        QList<int> counts;
        for (const auto &spy : handOverSpies)
            counts << int(spy->count());
        return counts;
    }
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
        s.frameAfter(16); // a whole period since the first frame
        QCOMPARE(s.series.drawnPoints(), QList<QPointF>({{0, 4.5}, {1, 0.5}}));
        s.frameAfter(16);
        QCOMPARE(s.drawn(), 3);
    }

    void burstIsDrawnOnceAtThePeriodsEnd()
    {
        ClockedSeries s;
        s.watchPieces();
        s.frameAfter(0);
        s.frameAfter(16);
        s.frameAfter(5);
        s.frameAfter(5);
        s.frameAfter(5);
        QCOMPARE(s.drawn(), 2);
        s.wait(1);
        QTRY_COMPARE(s.drawn(), 5);
        QCOMPARE(s.handOvers(), QList<int>({3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    }

    // The x range, 0 to 100, is drawn in pieces ten samples wide: sample 55 after 54 is
    // drawn by the piece from 50 to 60, and that piece alone is drawn again.
    void newPointRedrawsOnlyItsPiece()
    {
        ClockedSeries s;
        for (int i = 0; i < 55; ++i)
            s.frameAfter(20);
        s.watchPieces();
        s.frameAfter(20);
        QCOMPARE(s.drawn(), 56);
        QCOMPARE(s.handOvers(), QList<int>({0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
    }
};

QTEST_MAIN(TstLineSeries)
#include "tst_lineseries.moc"
