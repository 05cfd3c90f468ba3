#include "channelcommand.h"
#include "sampleframe.h"
#include "signalstate.h"

#include <QTest>

#include <limits>

// The wire protocol both ways and where each decoded sample lands.
class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void frameVoltage_data();
    void frameVoltage();
    void everyFrameIsExactOnTheFiveVoltScale();
    void channelCommand_data();
    void channelCommand();
    void samplePosition_data();
    void samplePosition();
};

void TestProtocol::frameVoltage_data()
{
    QTest::addColumn<int>("byte0");
    QTest::addColumn<int>("byte1");
    QTest::addColumn<float>("volts");
    QTest::newRow("zero") << 0x00 << 0x00 << 0.0f;
    QTest::newRow("one step") << 0x01 << 0x00 << 0.0048828125f;
    QTest::newRow("half scale from bit 9") << 0x00 << 0x02 << 2.5f;
    QTest::newRow("full scale") << 0xFF << 0x03 << 4.9951171875f;
    QTest::newRow("upper bits ignored") << 0xFF << 0xFF << 4.9951171875f;
    QTest::newRow("only upper bits set") << 0x00 << 0xFC << 0.0f;
}

void TestProtocol::frameVoltage()
{
    QFETCH(int, byte0);
    QFETCH(int, byte1);
    QFETCH(float, volts);
    // Exact equality: every step of the conversion is exact in single precision.
    QVERIFY(::frameVoltage(std::uint8_t(byte0), std::uint8_t(byte1)) == volts);
}

void TestProtocol::everyFrameIsExactOnTheFiveVoltScale()
{
    for (int byte1 = 0; byte1 < 256; ++byte1) {
        for (int byte0 = 0; byte0 < 256; ++byte0) {
            const int raw = ((byte1 & 0x03) << 8) | byte0;
            QCOMPARE(int(rawReading(std::uint8_t(byte0), std::uint8_t(byte1))), raw);
            const float volts = ::frameVoltage(std::uint8_t(byte0), std::uint8_t(byte1));
            if (double(volts) != raw * 5.0 / 1024.0)
                QFAIL(qPrintable(QStringLiteral("raw %1 gives %2").arg(raw).arg(volts)));
            QVERIFY(volts >= 0.0f && volts <= 4.9951171875f);
        }
    }
}

void TestProtocol::channelCommand_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("command"); // -1: none
    QTest::newRow("nothing selected") << -1 << -1;
    QTest::newRow("\"1\" polls k") << 0 << int('k');
    QTest::newRow("\"2\" polls l") << 1 << int('l');
    QTest::newRow("\"3\" polls m") << 2 << int('m');
    QTest::newRow("\"4\" polls n") << 3 << int('n');
    QTest::newRow("\"5\" polls o") << 4 << int('o');
    QTest::newRow("past the last channel") << 5 << -1;
}

void TestProtocol::channelCommand()
{
    QFETCH(int, position);
    QFETCH(int, command);
    const std::optional<char> byte = ::channelCommand(position);
    QCOMPARE(byte.has_value(), command >= 0);
    if (byte)
        QCOMPARE(int(*byte), command);
}

void TestProtocol::samplePosition_data()
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    QTest::addColumn<std::int32_t>("index");
    QTest::addColumn<std::int32_t>("x");
    QTest::addColumn<bool>("restart");
    QTest::newRow("first frame at x = 0") << 0 << 0 << false;
    QTest::newRow("beyond the chart's edge") << 101 << 101 << false;
    QTest::newRow("last before the limit") << kMax - 1 << kMax - 1 << false;
    QTest::newRow("counter run out") << kMax << 0 << true;
    QTest::newRow("negative") << -1 << 0 << true;
    QTest::newRow("most negative") << std::numeric_limits<std::int32_t>::min() << 0 << true;
}

void TestProtocol::samplePosition()
{
    QFETCH(std::int32_t, index);
    QFETCH(std::int32_t, x);
    QFETCH(bool, restart);
    const SamplePosition position = nextSamplePosition(index);
    QCOMPARE(position.x, x);
    QCOMPARE(position.restartTrace, restart);
}

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
