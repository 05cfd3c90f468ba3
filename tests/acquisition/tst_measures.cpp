// What the chart's two cursors measure: the statistics of the samples between them on
// series whose answers are known, the time between them from the samples' own arrival,
// and the measures as copied, named, with units, in the user's number format.

#include "acquisition/measures.h"

#include <QTest>

#include <cmath>

namespace {

constexpr std::int64_t kSecond = 1000000000;

// Readings a quarter of the scale apart: 0, 1.25, 2.5 and 3.75 V exactly.
constexpr std::uint16_t k0V = 0, k1V25 = 256, k2V5 = 512, k3V75 = 768;

SampleStore storeOf(const QList<int> &readings)
{
    SampleStore store;
    for (int i = 0; i < readings.size(); ++i)
        store.append({i * kSecond, 0, std::uint16_t(readings[i]), 1});
    return store;
}

} // namespace

class TstMeasures : public QObject
{
    Q_OBJECT
private slots:
    // The expected values follow from the definitions: the RMS is the root of the mean
    // square, the standard deviation divides the squared deviations by N − 1.
    void statisticsOfKnownSeries_data()
    {
        QTest::addColumn<QList<int>>("readings");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("rms");
        QTest::addColumn<double>("deviation");
        QTest::newRow("a constant: no spread")
            << QList<int>(10, k2V5) << 2.5 << 2.5 << 2.5 << 2.5 << 0.0;
        // Deviations from the mean 1.875: ±0.625 and ±1.875.
        QTest::newRow("a ramp") << QList<int>{k0V, k1V25, k2V5, k3V75} << 0.0 << 3.75 << 1.875
                                << std::sqrt((0 + 1.5625 + 6.25 + 14.0625) / 4)
                                << std::sqrt((2 * 0.390625 + 2 * 3.515625) / 3);
        QTest::newRow("a square wave, four periods")
            << QList<int>{k1V25, k3V75, k1V25, k3V75, k1V25, k3V75, k1V25, k3V75} << 1.25 << 3.75
            << 2.5 << std::sqrt((1.5625 + 14.0625) / 2) << std::sqrt(8 * 1.5625 / 7);
        QTest::newRow("N = 2") << QList<int>{k1V25, k3V75} << 1.25 << 3.75 << 2.5
                               << std::sqrt((1.5625 + 14.0625) / 2) << std::sqrt(2 * 1.5625 / 1);
    }
    void statisticsOfKnownSeries()
    {
        QFETCH(QList<int>, readings);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, mean);
        QFETCH(double, rms);
        QFETCH(double, deviation);
        const SpanStatistics s = spanStatistics(storeOf(readings), 0, readings.size() - 1);
        QCOMPARE(s.count, readings.size());
        QCOMPARE(s.min, min);
        QCOMPARE(s.max, max);
        QCOMPARE(s.mean, mean);
        QCOMPARE(s.rms, rms);
        QCOMPARE(s.standardDeviation, deviation);
    }

    // One sample has a value but no spread: the standard deviation with N − 1 is not a
    // number, and is said to be undefined rather than shown as 0.
    void oneSampleHasNoStandardDeviation()
    {
        const SampleStore store = storeOf({k2V5, k3V75});
        const SpanStatistics s = spanStatistics(store, 1, 1);
        QCOMPARE(s.count, 1);
        QCOMPARE(s.mean, 3.75);
        QCOMPARE(s.rms, 3.75);
        QVERIFY(std::isnan(s.standardDeviation));
        QVERIFY(measuresText(measureBetween(store, 1, 1), QLocale::c())
                    .endsWith("Desvio padrão (N − 1): — (indefinido para uma só amostra)"));
    }

    // Time is each sample's arrival: B placed after a 10 s pause (an unplug) is 10.5 s
    // after A, not two samples; cursors placed B before A measure the same span, the other
    // way. Copied in pt_BR: each measure on a line, named, with its unit.
    void measuresCopiedTakeTimeFromArrivalAndTheUsersFormat()
    {
        SampleStore store;
        store.append({100 * kSecond, 0, k1V25, 1});
        store.append({100 * kSecond + kSecond / 2, 0, k2V5, 1});
        store.append({110 * kSecond + kSecond / 2, 0, k3V75, 1});
        const Measures m = measureBetween(store, 0, 2);
        QCOMPARE(m.deltaSeconds, 10.5);
        QCOMPARE(m.voltsPerSecond, 2.5 / 10.5);
        QCOMPARE(measureBetween(store, 2, 0).deltaSeconds, -10.5);
        QCOMPARE(measureBetween(store, 2, 0).span.count, 3);
        const QStringList text = measuresText(m, QLocale(QStringLiteral("pt_BR"))).split('\n');
        QCOMPARE(text.mid(2),
                 (QStringList{"Δt (B − A): 10,500 s", "ΔV (B − A): 2,500 V",
                              "Inclinação (ΔV/Δt): 0,2381 V/s", "Amostras de A a B (N): 3",
                              "Mínimo: 1,250 V", "Máximo: 3,750 V", "Média: 2,5000 V",
                              "RMS: 2,7003 V", "Desvio padrão (N − 1): 1,2500 V"}));
        QVERIFY(text[1].startsWith("Cursor B: amostra 3; tempo 10,500 s; hora "));
        QVERIFY(text[1].endsWith("; tensão 3,750 V"));
    }
};

QTEST_GUILESS_MAIN(TstMeasures)
#include "tst_measures.moc"
