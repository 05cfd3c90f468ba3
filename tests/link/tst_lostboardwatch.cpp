// A lost board is known again by its USB identity, read from sysfs, at whatever node it
// comes back; an adapter that merely looks alike is not taken for it. Pseudo-terminals
// stand in for the adapters' nodes, and a sysfs tree of our own says what is behind them.

#include "link/lostboardwatch.h"
#include "support/ptyboard.h"

#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

static bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text + '\n') > 0;
}

// A USB serial adapter in the sysfs tree: its device directory, named after the socket it
// is in, with vendor, product and serial number (none if empty), an interface and a tty.
static QString plugAdapter(const QString &sys, const QString &socket, const QByteArray &serial,
                           const QString &tty)
{
    const QString device = sys + "/devices/usb1/" + socket;
    const QString ttyDir = device + "/" + socket + ":1.0/" + tty + "/tty/" + tty;
    QDir().mkpath(ttyDir);
    QDir().mkpath(sys + "/class/tty");
    writeFile(device + "/idVendor", "0403");
    writeFile(device + "/idProduct", "6001");
    if (!serial.isEmpty())
        writeFile(device + "/serial", serial);
    writeFile(device + "/" + socket + ":1.0/bInterfaceNumber", "00");
    QFile::link(ttyDir, sys + "/class/tty/" + tty);
    return ttyDir;
}

static void unplugAdapter(const QString &sys, const QString &socket, const QString &tty)
{
    QDir(sys + "/devices/usb1/" + socket).removeRecursively();
    QFile::remove(sys + "/class/tty/" + tty);
}

// The node's device number leads to this tty in sysfs, as the kernel's /sys/dev/char does.
static bool numberLeadsTo(const QString &sys, const QString &node, const QString &ttyDir)
{
    struct stat info = {};
    if (::stat(node.toLocal8Bit(), &info) != 0)
        return false;
    QDir().mkpath(sys + "/dev/char");
    return QFile::link(
        ttyDir,
        QString("%1/dev/char/%2:%3").arg(sys).arg(major(info.st_rdev)).arg(minor(info.st_rdev)));
}

class TestLostBoardWatch : public QObject
{
    Q_OBJECT
private slots:
    void usbAdapterIsKnownByItsIdentity_data()
    {
        QTest::addColumn<QByteArray>("lostSerial");
        QTest::addColumn<QString>("backSocket");
        QTest::addColumn<QByteArray>("backSerial");
        QTest::addColumn<bool>("found");
        QTest::newRow("the same adapter, in another socket")
            << QByteArray("A50285BI") << "1-3" << QByteArray("A50285BI") << true;
        QTest::newRow("another adapter of the same model")
            << QByteArray("A50285BI") << "1-2" << QByteArray("A7777777") << false;
        QTest::newRow("no serial numbers, the same socket")
            << QByteArray() << "1-2" << QByteArray() << true;
        QTest::newRow("no serial numbers, another socket")
            << QByteArray() << "1-3" << QByteArray() << false;
    }
    void usbAdapterIsKnownByItsIdentity()
    {
        QFETCH(QByteArray, lostSerial);
        QFETCH(QString, backSocket);
        QFETCH(QByteArray, backSerial);
        QFETCH(bool, found);
        QTemporaryDir sys;
        QTemporaryDir dev;
        LostBoardWatch watch(nullptr, sys.path(), dev.path());
        PtyBoard lost;
        QVERIFY(numberLeadsTo(sys.path(), lost.devicePath(),
                              plugAdapter(sys.path(), "1-2", lostSerial, "ttyUSB0")));
        watch.remember(lost.devicePath());
        QCOMPARE(watch.canRecognise(), true);

        lost.unplug();
        unplugAdapter(sys.path(), "1-2", "ttyUSB0");
        QCOMPARE(watch.lookOnce().value_or("(not back)"), "(not back)");

        PtyBoard back;
        plugAdapter(sys.path(), backSocket, backSerial, "ttyUSB1");
        QFile::link(back.devicePath(), dev.filePath("ttyUSB1"));
        QCOMPARE(watch.lookOnce().value_or("(not back)"),
                 found ? dev.filePath("ttyUSB1") : "(not back)");
    }

    // Looking is cheap, but not free: once a second, not in a loop.
    void looksOnceASecond()
    {
        PtyBoard board;
        QTemporaryDir dir;
        QFile::link(board.devicePath(), dir.filePath("board"));
        LostBoardWatch watch;
        watch.remember(dir.filePath("board"));
        int looks = 0;
        connect(&watch, &LostBoardWatch::looked, [&] { ++looks; });
        watch.start();
        QTest::qWait(2500);
        QVERIFY2(looks >= 1 && looks <= 3, qPrintable(QString("%1 looks in 2.5 s").arg(looks)));
    }
};

QTEST_MAIN(TestLostBoardWatch)
#include "tst_lostboardwatch.moc"
