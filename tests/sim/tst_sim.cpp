// The simulated board, driven through its pseudo-terminal as the viewer would: the frames
// each command gets, and the misbehaviours it plays on purpose.

#include "support/simboard.h"

#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
