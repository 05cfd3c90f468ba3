// When the signal's changes reach the chart's line: a change after a quiet spell at once,
// changes within a refresh period together at its end, none left behind, and the line
// whole across the pieces it is drawn in. The series is told the time by the test; the
// end of a period is a real timer the test waits for.

#include "ui/lineseries.h"

#include <QtTest>

using namespace std::chrono;

namespace {

// A zigzag between two readings, 0.5 V and 4.5 V as the board sends them.
Sample zigzag(qsizetype x)
{
    return {x * 1000000, 0, readingForVoltage(x % 2 ? 0.5 : 4.5), 1};
}

struct ClockedSeries
{
    steady_clock::time_point now{};
    SampleStore store;
    LineSeries series{store, nullptr, [this] { return now; }};
    QList<QPointF> sent;

    void wait(int ms) { now += milliseconds(ms); }
    void frameAfter(int ms)
    {
        wait(ms);
        const qsizetype x = sent.size();
        store.append(zigzag(x));
        sent.append(QPointF(double(x), store.at(x).volts()));
        series.AppendPoint(sent.last().x(), sent.last().y());
    }
    qsizetype drawn() const { return series.drawnPoints().size(); }
    QList<QList<QPointF>> pieces() const
    {
        QList<QList<QPointF>> points;
        for (const QLineSeries *piece : series.pieces())
            points.append(piece->points());
        return points;
    }
};

// The pieces whose points differ from `before`'s, by their place from the left.
QList<int> changedPieces(const QList<QList<QPointF>> &before, const QList<QList<QPointF>> &now)
{
    QList<int> changed;
    for (int k = 0; k < now.size(); ++k)
        if (now[k] != before.value(k))
            changed.append(k);
    return changed;
}

} // namespace

class TstLineSeries : public QObject
{
    Q_OBJECT

private slots:
    // A segment needs two points: frames that arrive together are drawn together, at once
    // after a quiet spell, and the next ones still wait for the period's end; after it, a
    // quiet spell again brings the next frame at once.
    void batchIsDrawnAtOnceAsOneChange()
    {
        ClockedSeries s;
        s.frameAfter(0);
        {
            const LineSeries::Batch oneRead(s.series);
            s.frameAfter(16);
            s.frameAfter(0);
        }
        QCOMPARE(s.drawn(), 3);
        {
            const LineSeries::Batch oneRead(s.series);
            s.frameAfter(5);
            s.frameAfter(0);
        }
        QCOMPARE(s.drawn(), 3);
        s.wait(11);
        QTRY_COMPARE(s.drawn(), 5);
        s.frameAfter(100);
        QCOMPARE(s.drawn(), 6);
    }

    // The line is drawn in pieces a tenth of the x range wide, each joined to the next, and
    // the chart repaints all that lies under a piece that changes: a new point changes only
    // the piece it joins, the one whose tenth of the x range it is in, or that it ends.
    void newPointChangesOnlyThePieceItJoins()
    {
        ClockedSeries s;
        for (int i = 0; i < 60; ++i)
            s.frameAfter(20);
        QList<QList<QPointF>> before = s.pieces();
        s.frameAfter(20); // x 60, the sixth tenth's right edge
        QCOMPARE(changedPieces(before, s.pieces()), QList<int>{5});
        before = s.pieces();
        s.frameAfter(20); // x 61, drawn from 60 in the seventh tenth
        QCOMPARE(changedPieces(before, s.pieces()), QList<int>{6});
        QCOMPARE(s.series.drawnPoints(), s.sent);
    }
};

QTEST_MAIN(TstLineSeries)
#include "tst_lineseries.moc"
