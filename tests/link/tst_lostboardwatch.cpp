// A lost board is known again by its USB identity, read from sysfs, at whatever node it
// comes back, or by a link its keeper re-made; an adapter that merely looks alike, or a
// stranger behind a link nobody re-made, is not taken for it. Pseudo-terminals stand in
// for the adapters' nodes, and a sysfs tree of our own says what is behind them.

#include "link/lostboardwatch.h"
#include "support/fakemachine.h"
#include "support/ptyboard.h"

#include <QtTest>

#include <memory>
#include <vector>

// Boards on new pseudo-terminals, as the next program to ask for one gets them, until one
// has the number of `device`, now free, and is last; numbers freed meanwhile below it are
// taken on the way. Ends on another number when another program took that one first.
static std::vector<std::unique_ptr<PtyBoard>> boardsUpTo(const QString &device)
{
    // The kernel hands out the lowest free number.
    const auto number = [](const QString &path) { return path.section('/', -1).toInt(); };
    std::vector<std::unique_ptr<PtyBoard>> boards;
    do
        boards.push_back(std::make_unique<PtyBoard>());
    while (number(boards.back()->devicePath()) < number(device));
    return boards;
}

// A board behind a link, and a watch that has remembered the link.
struct WatchedLink
{
    WatchedLink()
    {
        QFile::link(board->devicePath(), link());
        watch.remember(link());
    }
    QString link() const { return dir.filePath("board"); }

    std::unique_ptr<PtyBoard> board = std::make_unique<PtyBoard>();
    QTemporaryDir dir;
    LostBoardWatch watch;
};

class TestLostBoardWatch : public QObject
{
    Q_OBJECT
private slots:
    void usbAdapterIsKnownByItsIdentity_data()
    {
        QTest::addColumn<QString>("lostSerial");
        QTest::addColumn<QString>("backSocket");
        QTest::addColumn<QString>("backSerial");
        QTest::addColumn<bool>("found");
        // The adapter lost, and the one that comes back: serial number and USB socket.
        const auto row = [](const char *name, const char *lostSerial, const char *backSocket,
                            const char *backSerial, bool found) {
            QTest::newRow(name) << QString(lostSerial) << QString(backSocket) << QString(backSerial)
                                << found;
        };
        row("the same adapter, in another socket", "A50285BI", "1-3", "A50285BI", true);
        row("another adapter of the same model", "A50285BI", "1-2", "A7777777", false);
        row("no serial numbers, the same socket", "", "1-2", "", true);
        row("no serial numbers, another socket", "", "1-3", "", false);
    }
    void usbAdapterIsKnownByItsIdentity()
    {
        QFETCH(QString, lostSerial);
        QFETCH(QString, backSocket);
        QFETCH(QString, backSerial);
        QFETCH(bool, found);
        FakeMachine machine;
        LostBoardWatch watch(nullptr, machine.roots());
        PtyBoard lost;
        machine.plugAdapter("ttyUSB0", {"FTDI", "FT232R", lostSerial, "1-2"}, {},
                            lost.devicePath());
        watch.remember(machine.dev + "/ttyUSB0");
        QCOMPARE(watch.canRecognise(), true);

        lost.unplug();
        machine.unplugAdapter("ttyUSB0", "1-2");
        QCOMPARE(watch.lookOnce().value_or("(not back)"), "(not back)");

        PtyBoard back;
        machine.plugAdapter("ttyUSB1", {"FTDI", "FT232R", backSerial, backSocket}, {},
                            back.devicePath());
        QCOMPARE(watch.lookOnce().value_or("(not back)"),
                 found ? machine.dev + "/ttyUSB1" : "(not back)");
    }

    // A link to a pseudo-terminal's number, left as it was: the number may have gone to
    // another program, which is not the board.
    void linkNobodyRemadeLeadsToAStranger()
    {
        WatchedLink s;
        const QString number = s.board->devicePath();
        s.board.reset();
        const auto strangers = boardsUpTo(number);
        if (strangers.back()->devicePath() != number)
            QSKIP("another program took the pseudo-terminal's number first");
        s.watch.start();
        QCOMPARE(s.watch.lookOnce().value_or("(not back)"), "(not back)");
    }

    // The link's keeper removes it with the board: nothing is there to find, nor behind a
    // loop of links made in its place. (Made again when the board is back, the link leads
    // to it: the main window's lost-board test.)
    void linkRemovedOrMadeALoopLeadsNowhere()
    {
        WatchedLink s;
        s.watch.start();
        QFile::remove(s.link());
        QCOMPARE(s.watch.lookOnce().value_or("(not back)"), "(not back)");
        QFile::link(s.dir.filePath("loop"), s.link());
        QFile::link(s.link(), s.dir.filePath("loop"));
        QCOMPARE(s.watch.lookOnce().value_or("(not back)"), "(not back)");
    }

    // Looking is cheap, but not free: once a second, not in a loop.
    void looksOnceASecond()
    {
        WatchedLink s;
        int looks = 0;
        connect(&s.watch, &LostBoardWatch::looked, [&] { ++looks; });
        s.watch.start();
        QTest::qWait(2500);
        QVERIFY2(looks >= 1 && looks <= 3, qPrintable(QString("%1 looks in 2.5 s").arg(looks)));
    }
};

QTEST_MAIN(TestLostBoardWatch)
#include "tst_lostboardwatch.moc"
