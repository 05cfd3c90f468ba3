#include "signalpoints.h"

#include <QTest>

#include <algorithm>

// The store behind the chart's series: what it keeps and what it hands the chart.
class TestSignalPoints : public QObject
{
    Q_OBJECT
private slots:
    void keepsTheVisiblePointsAndTheLatest_data();
    void keepsTheVisiblePointsAndTheLatest();
    void longStreamStaysBounded();
    void clearStartsAfresh();
};

void TestSignalPoints::keepsTheVisiblePointsAndTheLatest_data()
{
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<double>("minX");
    QTest::addColumn<double>("maxX");
    QTest::newRow("all fits, chart range") << 1.0 << 150 << 1000 << 0.0 << 100.0;
    QTest::newRow("over capacity, chart range") << 1.0 << 5000 << 150 << 0.0 << 100.0;
    QTest::newRow("over capacity, latest only") << 1.0 << 5000 << 150 << 4990.0 << 1e9;
    QTest::newRow("over capacity, dropped part") << 1.0 << 5000 << 150 << 101.0 << 4000.0;
    QTest::newRow("range across the edge") << 1.0 << 5000 << 150 << 95.5 << 4960.0;
    QTest::newRow("fractional bounds") << 0.25 << 1000 << 1000 << 10.1 << 12.6;
    QTest::newRow("exactly at capacity") << 1.0 << 150 << 150 << 0.0 << 1e9;
    QTest::newRow("empty range") << 1.0 << 500 << 150 << 100.5 << 100.7;
}

void TestSignalPoints::keepsTheVisiblePointsAndTheLatest()
{
    QFETCH(double, step);
    QFETCH(int, count);
    QFETCH(int, capacity);
    QFETCH(double, minX);
    QFETCH(double, maxX);

    SignalPoints points(100.0, std::size_t(capacity));
    QList<QPointF> all;
    for (int i = 0; i < count; ++i) {
        all.append({i * step, (i % 1024) * 5.0 / 1024.0});
        points.append(all.last().x(), all.last().y());
    }
    // Expected: everything up to x = 100, then the most recent points up to the bound.
    const auto edge = std::find_if(all.begin(), all.end(), [](QPointF p) { return p.x() > 100; });
    QList<QPointF> kept(all.begin(), edge);
    const qsizetype room = capacity - kept.size();
    const qsizetype beyond = all.end() - edge;
    kept.append(QList<QPointF>(all.end() - qMin(room, beyond), all.end()));

    QCOMPARE(points.size(), std::size_t(kept.size()));
    QCOMPARE(points.droppedCount(), std::size_t(count - kept.size()));
    QCOMPARE(points.last(), all.last());
    QList<QPointF> expected;
    std::copy_if(kept.begin(), kept.end(), std::back_inserter(expected),
                 [&](QPointF p) { return p.x() >= minX && p.x() <= maxX; });
    QCOMPARE(points.within(minX, maxX), expected);
}

void TestSignalPoints::longStreamStaysBounded()
{
    SignalPoints points;
    constexpr int kCount = 1000000;
    for (int i = 0; i < kCount; ++i) {
        points.append(i, 2.5);
        if (points.size() > points.capacity())
            QFAIL(qPrintable(QStringLiteral("%1 points held after %2").arg(points.size()).arg(i)));
    }
    QCOMPARE(points.size(), SignalPoints::kDefaultCapacity);
    QCOMPARE(points.droppedCount(), kCount - SignalPoints::kDefaultCapacity);
    QCOMPARE(points.within(0, 100).size(), 101);
    QCOMPARE(points.within(0, 100).last(), QPointF(100, 2.5));
    QCOMPARE(points.at(101), QPointF(kCount - SignalPoints::kDefaultCapacity + 101, 2.5));
    QCOMPARE(points.last(), QPointF(kCount - 1, 2.5));
}

void TestSignalPoints::clearStartsAfresh()
{
    SignalPoints points(100.0, 10);
    for (int i = 0; i < 500; ++i)
        points.append(i, 1.0);
    points.clear();
    QVERIFY(points.isEmpty() && points.within(0, 1e9).isEmpty());
    QCOMPARE(points.droppedCount(), std::size_t(0));
    // The trace starts again at x = 0, and up to the edge nothing is dropped.
    for (int i = 0; i < 10; ++i)
        points.append(i, 2.0);
    QCOMPARE(points.within(0, 100), QList<QPointF>(points.within(0, 1e9)));
    QCOMPARE(points.at(0), QPointF(0, 2.0));
    QCOMPARE(points.size(), std::size_t(10));
}

QTEST_APPLESS_MAIN(TestSignalPoints)
#include "tst_signalpoints.moc"
