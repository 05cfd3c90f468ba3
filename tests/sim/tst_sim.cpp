// The simulated board, driven through its pseudo-terminal as the viewer would: the frames
// each command gets, the misbehaviours it plays on purpose, and a bad command line.

#include "support/simboard.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <numeric>

// The 10-bit readings carried by a run of two-byte frames, low byte first.
static QList<int> readings(const QByteArray &frames)
{
    QList<int> values;
    for (qsizetype i = 0; i + 1 < frames.size(); i += 2)
        values.append(((frames[i + 1] & 3) << 8) | static_cast<quint8>(frames[i]));
    return values;
}

class TestSim : public QObject
{
    Q_OBJECT
private slots:
    // Commands sent at once, and every byte the board answers with, in order. A reading
    // is volts * 1024 / 5, rounded, at most 1023.
    void answers_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("defaults: sine, ramp and square start at 2.5, 0 and 4 V; 5 holds 2.5 V")
            << QStringList() << QByteArray("klmo") << QByteArray::fromHex("0002 0000 3303 0002");
        QTest::newRow("sine swings around the middle of its range, 5 V reads 1023")
            << QStringList{"--channel=1=sine,0,5,4"} << QByteArray("kkkk")
            << QByteArray::fromHex("0002 ff03 0002 0000");
        QTest::newRow("answering twice") << QStringList{"--double"} << QByteArray("kl")
                                         << QByteArray::fromHex("0002 0002 0000 0000");
        QTest::newRow("a stray byte after every second answer")
            << QStringList{"--stray", "2"} << QByteArray("ooo")
            << QByteArray::fromHex("0002 0002 5a 0002");
    }
    void answers()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, commands);
        QFETCH(QByteArray, expected);
        SimBoard board(options);
        QVERIFY(board.openPort());
        board.send(commands);
        const QByteArray answered = board.receive(expected.size());
        QCOMPARE(answered + board.receive(1, 300), expected);
    }
    // Unasked frames in order, none lost or split: a ramp of 1024 steps over 5 V reads
    // its own step number.
    void streamsFramesUnasked()
    {
        SimBoard board({"--stream", "1000", "--channel", "1=ramp,0,5,1024"});
        QVERIFY(board.openPort());
        QList<int> expected(200);
        std::iota(expected.begin(), expected.end(), 0);
        QCOMPARE(readings(board.receive(400, 10000)), expected);
    }

    void garbageBurst()
    {
        SimBoard board({"--garbage", "0.3"});
        QVERIFY(board.openPort());
        QCOMPARE(board.receive(65, 2000).size(), 64);
    }

    // Unplugged, the link goes (its device's number may be reused); replugged, it points
    // at a new pseudo-terminal that answers; stopped, it goes for good.
    void replugsAtTheLink()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("board");
        SimBoard board({"--link", link, "--unplug", "0.5", "--replug", "0.5"});
        QCOMPARE(board.device(), link);
        QVERIFY(board.openPort());
        QVERIFY(board.hungUp());
        QCOMPARE(QFileInfo(link).isSymLink(), false);
        board.closePort();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).exists(), 5000);
        QVERIFY(board.openPort());
        board.send("o");
        QCOMPARE(board.receive(2), QByteArray::fromHex("0002"));
        QCOMPARE(board.stop(SIGINT), 0);
        QCOMPARE(QFileInfo(link).isSymLink(), false);
    }

    void badCommandLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "unknown option '--bogus'";
        QTest::newRow("above 5 V") << QStringList{"--channel", "1=sine,0,7"}
                                   << "--channel: '7' is not a number from 0 to 5";
    }
    void badCommandLine()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        QProcess sim;
        sim.start(SENSOR_BOARD_SIM, options);
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.readAllStandardError(),
                 "sensor-board-sim: " + message + "\nTry 'sensor-board-sim --help'.\n");
        QCOMPARE(sim.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
