// The acquisition logic: decoding the board's frames, the channel commands, where each
// sample lands, the readout's number text, the bounded point store, and cutting the
// link's input into frames.

#include "acquisition/channelcommand.h"
#include "acquisition/frameassembler.h"
#include "acquisition/generalformat.h"
#include "acquisition/sampleframe.h"
#include "acquisition/signalpoints.h"
#include "acquisition/signalstate.h"

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

static const auto wire = [](int raw) { return QByteArray(1, char(raw)) + char(raw >> 8); };

class TestAcquisition : public QObject
{
    Q_OBJECT
private slots:
    void logic()
    {
        // Exact in single precision; bits 7..2 of the second byte are ignored.
        QVERIFY(frameVoltage(0xFF, 0xFF) == 4.9951171875f && frameVoltage(0x00, 0xFE) == 2.5f);
        for (int pair = 0; pair < 65536; ++pair)
            QVERIFY(rawReading(pair % 256, pair / 256) == pair % 1024
                    && frameVoltage(pair % 256, pair / 256) == pair % 1024 * 5.0f / 1024);
        // Positions -1..5: nothing selected ('-': no command), channels "1".."5", past
        // the last channel.
        QString commands;
        for (int position = -1; position <= 5; ++position)
            commands += channelCommand(position).value_or('-');
        QCOMPARE(commands, QStringLiteral("-klmno-"));
        // The counter is the x position until it runs out or is negative: then the
        // trace restarts at 0.
        for (const int index : {0, 101, INT32_MAX - 1, INT32_MAX, -1, INT32_MIN}) {
            const bool restart = index < 0 || index == INT32_MAX;
            QVERIFY(nextSamplePosition(index).x == (restart ? 0 : index)
                    && nextSamplePosition(index).restartTrace == restart);
        }

        // The readout's text, with a point or a comma and no group separator: the plain
        // decimal's smallest, the exponent below it and after rounding up, and every
        // reading (multiples of 5/1024: 17 significant digits give their exact text).
        QList<std::pair<double, QString>> texts = {{0.00001, "0.00001"}, {0.000001, "1E-6"}};
        texts += {{999999999999999.9, "1E15"}, {1234.5, "1234.5"}};
        for (int raw = 0; raw <= 1023; ++raw)
            texts.append({raw * 5 / 1024.0, QString::number(raw * 5 / 1024.0, 'g', 17)});
        for (const auto &[value, text] : texts)
            QCOMPARE(formatGeneral(value, QLocale(QLocale::English)) + ' '
                         + formatGeneral(value, QLocale(QLocale::German)),
                     text + ' ' + QString(text).replace('.', ','));

        // A long stream stays within the store's bound. Every point up to the chart's edge
        // (x = 100) is kept, then the latest; the ranges' ends fall on and between points.
        SignalPoints points;
        QList<QPointF> all;
        for (int i = 0; i < 1000000; ++i) {
            all.append({i * 0.5, (i % 1024) * 5.0 / 1024.0});
            points.append(all.last().x(), all.last().y());
            QVERIFY2(points.size() <= SignalPoints::kDefaultCapacity, "more held than the bound");
        }
        // (and nothing between two points)
        QCOMPARE(points.within(0, 100) + points.within(100.2, 100.4), all.first(201));
        QCOMPARE(points.within(99.7, 1e9), all.mid(200, 1) + all.last(65536 - 201));
    }

    void framing_data()
    {
        QTest::addColumn<QList<Read>>("input");
        QTest::addColumn<QList<int>>("expected"); // the last frames decoded
        // Noise between polls (a second apart), a stray byte or a burst in reads up to
        // 150 ms apart, costs at most the next reply, and only when that comes byte by byte
        // (odd seeds).
        const QList<int> polled = {512, 1023, 7, 300};
        for (std::uint32_t seed = 0; seed < 200; ++seed) {
            QRandomGenerator random(seed);
            QList<Read> input;
            std::int64_t now = 0;
            for (int left = seed < 2 ? 1 : random.bounded(1, 300); left > 0; left -= 1 + seed % 7)
                input << read(now += random.bounded(150), QByteArray(1 + seed % 7, 'Z').left(left));
            input << read(now + 999, wire(polled[0]).left(seed % 2)); // nothing if whole
            for (qsizetype i = 0; i < polled.size(); ++i)
                input << read(now + 1000 * (i + 1), wire(polled[i]).mid(seed % 2 && i == 0));
            QTest::addRow("noise, seed %u", seed) << input << polled.mid(seed % 2);
        }
        // Replies that pile up all decode, in order: the board answered twice (0 ms), or
        // one reply was held back until the next landed 5 ms or a poll later.
        for (const int laterMs : {0, 5, 1000})
            QTest::addRow("two replies %d ms apart, one notification", laterMs)
                << QList<Read>{read(0, wire(1)) + read(laterMs, wire(1022))} << QList<int>{1, 1022};
        // A full-rate stream (0.52 ms a byte) in reads of 1 to N bytes, each stamped when
        // its last byte lands.
        for (const int maxChunk : {1, 2, 3, 5, 8, 64, 4096}) {
            QRandomGenerator random(maxChunk);
            QByteArray bytes;
            QList<int> sent;
            for (int i = 0; i < 20000; ++i)
                bytes += wire(sent.emplace_back(random.bounded(1024)));
            QList<Read> stream;
            for (int at = 0, n = 1; at < bytes.size(); at += n, n = random.bounded(1, maxChunk + 1))
                stream << read(std::int64_t((at + n) * 0.52), bytes.mid(at, n));
            QTest::addRow("reads of 1..%d", maxChunk) << stream << sent;
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
