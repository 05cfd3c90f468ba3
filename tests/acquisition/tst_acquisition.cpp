// The acquisition logic: the channels' commands, the readout's text, and how the link's
// input is cut into frames (the voltage a frame reads as is the
// main window's test, drawn and shown).

#include "acquisition/frameassembler.h"
#include "acquisition/generalformat.h"
#include "acquisition/signalstate.h"
#include "protocol/boardprotocol.h"

#include <QTest>

#include <clocale>

// The bytes one notification finds newly arrived, each stamped with the time of its read.
using Read = QList<ArrivedByte>;
using Reads = QList<Read>;

static Read read(std::int64_t atMs, const QByteArray &bytes)
{
    Read arrived;
    for (const char byte : bytes)
        arrived << ArrivedByte{std::uint8_t(byte), atMs};
    return arrived;
}

// The board's two bytes for a reading, low byte first.
static QByteArray reply(int raw)
{
    return QByteArray(1, char(raw & 0xFF)) + char(raw >> 8);
}

class TestAcquisition : public QObject
{
    Q_OBJECT
private slots:
    // Before any frame, the readout's voltage is 0 V and the first point goes at x = 0. The
    // counter never overflows: once it has run out, the trace starts afresh at x = 0.
    void samplesStartAtZero()
    {
        QCOMPARE(LastVoltage, 0.0f);
        QCOMPARE(SampleIndex, 0);
        QCOMPARE(nextSamplePosition(0).x, 0);
        QCOMPARE(nextSamplePosition(0).restartTrace, false);
        QCOMPARE(nextSamplePosition(INT32_MAX).x, 0);
        QCOMPARE(nextSamplePosition(INT32_MAX).restartTrace, true);
    }

    // The five channels' commands, and none outside them.
    void channelCommand_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("command");
        QTest::newRow("no channel chosen") << -1 << "";
        QTest::newRow("5 is o") << 4 << "o";
        QTest::newRow("there is no sixth") << 5 << "";
    }
    void channelCommand()
    {
        QFETCH(int, position);
        QFETCH(QString, command);
        const std::optional<char> byte = ::channelCommand(position);
        QCOMPARE(byte ? QString(QChar(*byte)) : QString(), command);
    }

    void readoutText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QLocale point(QLocale::English);
        QTest::newRow("one step, leading zero") << 0.0048828125 << point << "0.0048828125";
        QTest::newRow("Arabic: ASCII digits, its separator")
            << 4.9951171875 << QLocale("ar_EG") << "4٫9951171875";
        QTest::newRow("zero, as the readout shows it before the first frame")
            << 0.0 << point << "0";
        QTest::newRow("a whole number, no separator") << 25.0 << point << "25";
        QTest::newRow("a whole number's zeros") << 300.0 << point << "300";
        QTest::newRow("a zero among the digits") << 2.5048828125 << point << "2.5048828125";
        QTest::newRow("fifteen digits at most") << 1.0 / 3 << point << "0.333333333333333";
        QTest::newRow("below 0.00001, an exponent") << 0.0000015 << point << "1.5E-6";
    }
    void readoutText()
    {
        // The C library's locale as the program has it: on Linux CTest runs every row under
        // Pashto's, whose decimal mark takes two bytes, built where LOCPATH points (Windows'
        // C runtime has no such locale).
        std::setlocale(LC_ALL, "");
        if (qEnvironmentVariableIsSet("LOCPATH"))
            QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray("٫"));
        QFETCH(double, value);
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QCOMPARE(formatGeneral(value, locale), text);
    }

    // Each row: the line's speed, what each notification finds newly arrived, the
    // readings decoded, how many bytes are left waiting at the end, and how many were
    // dropped as strays.
    void framing_data()
    {
        QTest::addColumn<int>("baudRate");
        QTest::addColumn<Reads>("notifications");
        QTest::addColumn<QList<int>>("readings");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("dropped");
        QTest::newRow("half a frame waits for its partner")
            << 19200 << Reads{read(0, reply(700).left(1)), read(400, reply(700).mid(1))}
            << QList{700} << 0 << 0;
        QTest::newRow("a stray byte, then 22 ms less the reply's 1 ms on the wire: dropped")
            << 19200 << Reads{read(0, "Z"), read(22, reply(512))} << QList{512} << 0 << 1;
        // A stream of 20 frames a second, and a stray byte after the answer to a poll: "Z"
        // pairs with the next frame's low byte (reading 90) until the stream's next 50 ms
        // pause, after which the frames decode right.
        QTest::newRow("a stream's pause ends a stray byte's shift")
            << 19200
            << Reads{read(0, reply(512) + "Z"), read(14, reply(512)), read(64, reply(512)),
                     read(114, reply(512))}
            << QList{512, 90, 512, 512} << 0 << 1;
        // A stream read late in one big chunk: its bytes' time on the wire (0.52 ms each
        // at 19200 baud) is no silence after the half frame left before it.
        QByteArray stream;
        QList<int> streamed;
        for (int raw = 0; raw < 1024; raw += 4)
            stream += reply(streamed.emplace_back(raw));
        QTest::newRow("a late chunk's wire time is no silence")
            << 19200 << Reads{read(0, stream.left(1)), read(150, stream.mid(1))} << streamed << 0
            << 0;
        // At 300 baud a character takes 33 ms: a silence shorter than four is no gap.
        QTest::newRow("slow line: four characters' time is no gap")
            << 300 << Reads{read(0, reply(5).left(1)) + read(170, reply(5).mid(1) + "Z")}
            << QList{5} << 1 << 0;
    }
    void framing()
    {
        QFETCH(int, baudRate);
        QFETCH(Reads, notifications);
        QFETCH(QList<int>, readings);
        QFETCH(int, left);
        QFETCH(int, dropped);
        const FrameAssembler assembler(byteTimeMs(baudRate, 10));
        std::vector<ArrivedByte> waiting;
        QList<int> decoded;
        int strays = 0;
        for (const Read &arrived : notifications) {
            waiting.insert(waiting.end(), arrived.begin(), arrived.end());
            const FramingResult result = assembler.take(waiting);
            waiting.erase(waiting.begin(), waiting.begin() + result.consumed);
            strays += result.discarded;
            for (const Frame &frame : result.frames)
                decoded << rawReading(frame.byte0, frame.byte1);
        }
        QCOMPARE(decoded, readings);
        QCOMPARE(int(waiting.size()), left);
        QCOMPARE(strays, dropped);
    }
};

QTEST_APPLESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
