// The session's samples: the one store that the chart draws from and a save writes from,
// kept within its bound with the fixed view's samples always among them, and the line
// drawn from it: thinned, on the samples' own time under review, broken where samples
// were dropped.

#include "acquisition/samplefeed.h"
#include "acquisition/signaltrace.h"

#include <QTest>

namespace {

constexpr std::int64_t kSecond = 1000000000;

// A sample read `seconds` into the session, with a reading that tells it apart.
Sample sampleAt(double seconds, int reading)
{
    return {std::int64_t(seconds * kSecond) + 7 * kSecond, 1796740205123, std::uint16_t(reading),
            3};
}

QList<int> readings(const std::vector<Sample> &samples)
{
    QList<int> list;
    for (const Sample &sample : samples)
        list << sample.reading;
    return list;
}

} // namespace

class TstSampleStore : public QObject
{
    Q_OBJECT
private slots:
    // Each sample comes back as it went in, every field, however the store packs it.
    void samplesKeepEveryField()
    {
        SampleStore store;
        store.append({987654321012345, 1796740205123, 1023, 5});
        store.append({987654321012346, 0, 0, 0});
        const Sample first = store.at(0);
        const Sample second = store.at(1);
        QCOMPARE(first.steadyNs, 987654321012345);
        QCOMPARE(first.wallMs, 1796740205123); // 2026-12-07, to the millisecond
        QCOMPARE(first.reading, 1023);
        QCOMPARE(first.channel, 5);
        QCOMPARE(first.volts(), 4.9951171875f);
        QCOMPARE(second.wallMs, 0);
        QCOMPARE(second.channel, 0);
    }

    // Full, the store keeps the 101 samples of the fixed view and the latest, and says
    // which were dropped between them; by default it holds over ten days at a sample a
    // second.
    void fullStoreKeepsTheFixedViewAndTheLatest()
    {
        SampleFeed feed(1000);
        for (int n = 0; n < 5000; ++n)
            feed.add(sampleAt(n, n % 1024));
        const SampleStore &store = feed.store();
        QCOMPARE(store.count(), 5000);
        QCOMPARE(store.heldCount(), 1000);
        QCOMPARE(store.dropped().first, 101);
        QCOMPARE(store.dropped().end, 4101);
        QCOMPARE(store.holds(4100), false);
        const QList<int> held = readings(store.samples());
        QCOMPARE(held.mid(99, 4), (QList<int>{99, 100, 4101 % 1024, 4102 % 1024}));
        QCOMPARE(held.last(), 4999 % 1024);
        QCOMPARE_GE(SampleStore::kDefaultCapacity, 10 * 86400 + 101);
        feed.clear();
        QCOMPARE(store.count(), 0);
        QCOMPARE(store.dropped().size(), 0);
    }

    // The events marked on the latest sample go with their samples: dropped with them,
    // forgotten on a clear; a second mark on a sample joins the first.
    void eventsGoWithTheirSamples()
    {
        SampleFeed feed(110); // the fixed view's 101 and the latest 9
        QCOMPARE(feed.markLatest("antes"), false);
        for (int n = 0; n < 112; ++n) {
            feed.add(sampleAt(n, 512));
            if (n == 0 || n == 102)
                feed.markLatest(QString::number(n));
        }
        feed.markLatest("b");
        feed.markLatest("c");
        const std::map<std::int64_t, QString> kept{{0, "0"}, {111, "b / c"}};
        QCOMPARE(feed.store().events() == kept, true);
        feed.clear();
        QCOMPARE(feed.store().events().empty(), true);
    }

    // Thinned for a few pixel columns, the line keeps of each column its first, lowest,
    // highest and last point, in the order they came, and the nearest point beyond each
    // edge of the range, so that it reaches them.
    void thinnedKeepsEachColumnsExtremes()
    {
        const QList<int> tenths{25, /* 1..13 */ 20, 10, 50, 30, 20, 45, 0, 30, 20, 10, 15, 40, 30,
                                25};
        SampleStore store;
        for (int n = 0; n < tenths.size(); ++n)
            store.append(sampleAt(n, readingForVoltage(tenths[n] / 10.0)));
        const auto y = [](int n) { return double(voltageFromRaw(readingForVoltage(n / 10.0))); };
        const QList<QPointF> kept{{0, y(25)},  {1, y(20)},  {2, y(10)},  {3, y(50)}, {4, y(30)},
                                  {5, y(20)},  {6, y(45)},  {7, y(0)},   {8, y(30)}, {9, y(20)},
                                  {10, y(10)}, {12, y(40)}, {13, y(30)}, {14, y(25)}};
        QCOMPARE(thinnedTrace(store, 1, 13, 3, TraceAxis::SampleNumber),
                 QList<QList<QPointF>>{kept});
        // A range between two points: the line through it, from one to the other.
        QCOMPARE(thinnedTrace(store, 1.2, 1.8, 3, TraceAxis::SampleNumber),
                 (QList<QList<QPointF>>{{{1, y(20)}, {2, y(10)}}}));
    }

    // Under review the line is drawn on the samples' own time, so a minute's pause shows
    // as a minute; where samples were dropped it breaks, one run on each side.
    void reviewLineIsOnTheSamplesTimeAndBreaksAtTheDropped()
    {
        SampleStore store(110); // the fixed view's 101 and the latest 9
        for (int n = 0; n < 120; ++n)
            store.append(sampleAt(n < 115 ? n : n + 60, 512));
        const QList<QList<QPointF>> runs = thinnedTrace(store, 0, 300, 3000, TraceAxis::Seconds);
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].first(), QPointF(0, 2.5));
        QCOMPARE(runs[0].last(), QPointF(100, 2.5));
        QCOMPARE(runs[1].first(), QPointF(111, 2.5));
        QCOMPARE(runs[1].mid(3, 2), (QList<QPointF>{{114, 2.5}, {175, 2.5}}));
        QCOMPARE(runs[1].last(), QPointF(179, 2.5));
    }
};

QTEST_GUILESS_MAIN(TstSampleStore)
#include "tst_samplestore.moc"
