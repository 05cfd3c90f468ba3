// The acquisition logic: decoding the board's frames, the channel commands, where each
// sample lands, the readout's number text, the bounded point store, and cutting the
// link's input into frames.

#include "channelcommand.h"
#include "frameassembler.h"
#include "generalformat.h"
#include "sampleframe.h"
#include "signalpoints.h"
#include "signalstate.h"

#include <QRandomGenerator>
#include <QTest>

// What one notification finds newly arrived: each read's bytes stamped with its time.
using Read = QList<ArrivedByte>;
static Read read(std::int64_t atMs, const QByteArray &bytes)
{
    Read arrived;
    for (const char byte : bytes)
        arrived << ArrivedByte{std::uint8_t(byte), atMs};
    return arrived;
}

static QByteArray wire(int raw)
{
    return QByteArray(1, char(raw & 0xFF)) + char(raw >> 8);
}

class TestAcquisition : public QObject
{
    Q_OBJECT
private slots:
    void protocol()
    {
        // Exact in single precision; bits 7..2 of the second byte are ignored.
        QVERIFY(frameVoltage(0xFF, 0xFF) == 4.9951171875f && frameVoltage(0x00, 0xFE) == 2.5f);
        for (int pair = 0; pair < 65536; ++pair) {
            const int raw = pair & 0x3FF;
            const float volts = frameVoltage(pair & 0xFF, pair >> 8);
            if (rawReading(pair & 0xFF, pair >> 8) != raw || double(volts) != raw * 5.0 / 1024)
                QFAIL(qPrintable(QStringLiteral("pair %1 gives %2 V").arg(pair).arg(volts)));
        }
        // Positions -1..5: nothing selected ('-': no command), channels "1".."5", past
        // the last channel.
        QString commands;
        for (int position = -1; position <= 5; ++position)
            commands += channelCommand(position).value_or('-');
        QCOMPARE(commands, QStringLiteral("-klmno-"));
        // The counter is the x position until it runs out or is negative: then the
        // trace restarts at 0.
        constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
        for (const std::int32_t index : {0, 101, kMax - 1, kMax, -1, -kMax - 1}) {
            const bool restart = index < 0 || index == kMax;
            QCOMPARE(nextSamplePosition(index).x, restart ? 0 : index);
            QCOMPARE(nextSamplePosition(index).restartTrace, restart);
        }
    }

    void format_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text"); // with a point; comma locales swap it
        QTest::newRow("smallest plain decimal") << 0.00001 << "0.00001";
        QTest::newRow("below it, exponent") << 0.000001 << "1E-6";
        QTest::newRow("rounds up into the exponent") << 999999999999999.9 << "1E15";
        QTest::newRow("no group separator") << 1234.5 << "1234.5";
        // Every reading, 0 and 2.5 among them, is a multiple of 5/1024: at most ten
        // decimals, so 17 significant digits give its exact text.
        for (int raw = 0; raw <= 1023; ++raw) {
            const QString exact = QString::number(raw * 5 / 1024.0, 'g', 17);
            QTest::addRow("reading %d: %s", raw, qPrintable(exact)) << raw * 5 / 1024.0 << exact;
        }
    }

    void format()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatGeneral(value, QLocale(QLocale::English, QLocale::UnitedStates)), text);
        text.replace(QLatin1Char('.'), QLatin1Char(','));
        QCOMPARE(formatGeneral(value, QLocale(QLocale::German, QLocale::Germany)), text);
    }

    void longStreamStaysBounded()
    {
        SignalPoints points;
        QList<QPointF> all;
        for (int i = 0; i < 1000000; ++i) {
            all.append({i * 0.5, (i % 1024) * 5.0 / 1024.0});
            points.append(all.last().x(), all.last().y());
            QVERIFY2(points.size() <= SignalPoints::kDefaultCapacity, "more held than the bound");
        }
        // Every point up to the chart's edge (x = 100) is kept, then the latest up to
        // the bound; the ranges' ends fall on and between points.
        QCOMPARE(points.within(0, 100), all.first(201));
        QCOMPARE(points.within(10.1, 12.6), all.mid(21, 5));
        QCOMPARE(points.within(99.7, 1e9), all.mid(200, 1) + all.last(65536 - 201));
        QCOMPARE(points.within(100.2, 100.4), QList<QPointF>());
    }

    void framing_data()
    {
        QTest::addColumn<QList<Read>>("input");
        QTest::addColumn<QList<int>>("expected"); // the last frames decoded
        // Noise between polls (a second apart), a stray byte or a burst in reads up to
        // 150 ms apart, costs at most the next reply, and only when that comes byte by byte.
        const QList<int> polled = {512, 1023, 7, 300};
        for (std::uint32_t seed = 0; seed < 200; ++seed) {
            QRandomGenerator random(seed);
            const int burst = seed < 2 ? 1 : random.bounded(1, 300);
            const bool split = seed % 2;
            QList<Read> input;
            std::int64_t now = 0;
            for (int left = burst; left > 0; left -= input.last().size())
                input << read(now += random.bounded(150),
                              QByteArray(qMin(random.bounded(1, 9), left), 'Z'));
            input << read(now + 999, wire(polled[0]).left(split)); // nothing if whole
            for (qsizetype i = 0; i < polled.size(); ++i)
                input << read(now + 1000 * (i + 1), wire(polled[i]).mid(split && i == 0));
            QTest::addRow("%d noise bytes, seed %u%s", burst, seed, split ? ", reply split" : "")
                << input << polled.mid(split);
        }
        // Replies that pile up all decode, in order: the board answered twice (0 ms), or
        // one reply was held back until the next landed 5 ms or a poll later.
        for (const int laterMs : {0, 5, 1000})
            QTest::addRow("two replies %d ms apart, one notification", laterMs)
                << QList<Read>{read(0, wire(1)) + read(laterMs, wire(1022))} << QList<int>{1, 1022};
        // A full-rate stream (0.52 ms a byte), each read stamped when its last byte lands.
        for (const int maxChunk : {1, 2, 3, 4, 5, 6, 7, 64, 4096}) {
            QRandomGenerator random(maxChunk);
            QByteArray bytes;
            QList<int> sent;
            for (int i = 0; i < 20000; ++i)
                bytes += wire(sent.emplace_back(random.bounded(1024)));
            QList<Read> stream;
            for (qsizetype at = 0; at < bytes.size(); at += stream.last().size()) {
                const QByteArray chunk =
                    bytes.mid(at, maxChunk < 8 ? maxChunk : random.bounded(1, maxChunk + 1));
                stream << read(std::int64_t(double(at + chunk.size()) * 0.52), chunk);
            }
            QTest::addRow("reads of %s%d", maxChunk < 8 ? "" : "1..", maxChunk) << stream << sent;
        }
    }

    void framing()
    {
        QFETCH(QList<Read>, input);
        QFETCH(QList<int>, expected);
        FrameAssembler assembler;
        std::vector<ArrivedByte> waiting;
        QList<int> frames;
        for (const Read &arrived : input) {
            waiting.insert(waiting.end(), arrived.begin(), arrived.end());
            const FramingResult result = assembler.take(waiting);
            waiting.erase(waiting.begin(), waiting.begin() + result.consumed);
            QVERIFY2(waiting.size() <= 1, "input piles up");
            for (const Frame &frame : result.frames)
                frames << rawReading(frame.byte0, frame.byte1);
        }
        QCOMPARE(frames.mid(frames.size() - expected.size()), expected);
    }
};

QTEST_APPLESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
