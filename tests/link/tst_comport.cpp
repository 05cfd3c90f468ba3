#include "comled.h"
#include "comport.h"
#include "exception.h"
#include "portnaming.h"
#include "ptyboard.h"
#include "settingsdialog.h"

#include <QComboBox>
#include <QtTest>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

// The message an operation raises, or "" when it raises nothing.
static QString raised(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const Exception &error) {
        return error.Message();
    }
    return {};
}

// Runs the set-up dialog with these steps: "boxName=text" edits, then OK, or Cancel
// when one step is "cancel". Returns the message the set-up raised.
static QString runSetup(ComPort &port, const QStringList &steps)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        for (const QString &step : steps)
            if (auto *box = dialog->findChild<QComboBox *>(step.section('=', 0, 0)))
                box->setCurrentText(step.section('=', 1));
        steps.contains("cancel") ? dialog->reject() : dialog->accept();
    });
    return raised([&] { port.ShowSetupDialog(); });
}

class TestComPort : public QObject
{
    Q_OBJECT
private slots:
    void portNaming_data()
    {
        QTest::addColumn<QStringList>("names"); // port, its device, how messages name it
        QTest::newRow("COM1") << QStringList{"COM1", "/dev/ttyS0", "COM1 (/dev/ttyS0)"};
        QTest::newRow("lower case") << QStringList{"com10", "/dev/ttyS9", "com10 (/dev/ttyS9)"};
        QTest::newRow("a path") << QStringList{"/dev/pts/3", "/dev/pts/3", "/dev/pts/3"};
        QTest::newRow("bare") << QStringList{"ttyUSB0", "/dev/ttyUSB0", "ttyUSB0 (/dev/ttyUSB0)"};
    }

    void portNaming()
    {
        QFETCH(QStringList, names);
        QCOMPARE(devicePathForPort(names[0]), names[1]);
        QCOMPARE(describePort(names[0]), names[2]);
    }

    // A link to the board's pseudo-terminal (DEVICE) is set up with these steps, or
    // opened by a user without access rights: what it raises (a pattern), and the baud
    // rate it is left open with (0: closed). Whatever happened, setting it up on the
    // board next works, and the link then carries bytes both ways.
    void linkOnPseudoTerminal_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qint32>("baudRate");
        QTest::newRow("open without access rights")
            << QStringList{"open as nobody"} << "DEVICE: permissão negada.*usermod -aG GROUP " << 0;
        QTest::newRow("set-up cancelled")
            << QStringList{"portBox=ttyX", "baudRateBox=9600", "cancel"} << "^$" << 19200;
        QTest::newRow("set-up at 9600") << QStringList{"baudRateBox=9600"} << "^$" << 9600;
        QTest::newRow("set-up the device refuses")
            << QStringList{"baudRateBox=4800", "dataBitsBox=7"} << "aplicar .* DEVICE: " << 19200;
        QTest::newRow("set-up on a missing port")
            << QStringList{"portBox=ttyX"} << "ttyX \\(/dev/ttyX\\): o dispositivo não existe" << 0;
    }

    void linkOnPseudoTerminal()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        QFETCH(qint32, baudRate);
        PtyBoard board;
        const QString path = board.devicePath();
        expected.replace("DEVICE", path).replace("GROUP", QFileInfo(path).group());
        // A pseudo-terminal has no modem lines: asking for them must not fail the open.
        SerialSettings initial{path};
        initial.dataTerminalReady = initial.requestToSend = true;
        std::int64_t now = 1000;
        ComPort port;
        port.setClock([&now] { return now; });
        port.setSettings(initial);
        auto holder = std::make_unique<ComPort>(); // another program wanting the device
        holder->setSettings({path});
        ComLed lamp;
        lamp.setComPort(&port);
        QString message;
        if (steps.contains("open as nobody")) {
            if (::geteuid() != 0)
                QSKIP("needs root to open a root-owned device as another user");
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
            // Root ignores file modes: open the owner-only device from a child process
            // that has become the unprivileged user "nobody", and share its message.
            auto *shared = static_cast<char *>(
                ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
            if (::fork() == 0) {
                if (::setgid(65534) == 0 && ::setuid(65534) == 0)
                    qstrncpy(shared, raised([&] { port.Open(); }).toUtf8().constData(), 4096);
                ::_exit(0);
            }
            ::wait(nullptr);
            message = QString::fromUtf8(shared);
            ::munmap(shared, 4096);
        } else {
            port.Open();
            QSignalSpy changed(&port, &ComPort::connectionChanged);
            message = runSetup(port, steps);
            QCOMPARE(changed.count(), baudRate != 0 ? 0 : 1); // carrying on is not re-opening
        }
        QVERIFY2(QRegularExpression(expected).match(message).hasMatch(), qPrintable(message));
        QVERIFY(port.Connected() == (baudRate != 0) && lamp.isOn() == (baudRate != 0));
        if (baudRate != 0) {
            initial.baudRate = baudRate;
            QVERIFY(port.settings() == initial);
            QCOMPARE(board.lineSpeed(), speed_t(baudRate == 9600 ? B9600 : B19200));
        }

        board.send("stale");
        QCOMPARE(runSetup(port, {"portBox=" + path}), QString());
        port.ClearBuffer(true, true);
        board.send(QByteArray("\x00\x02", 2));
        QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 2, 5000);
        now = 1500;
        board.send("z");
        QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 3, 5000);
        QCOMPARE(port.WaitingBytes().front().arrivedMs, std::int64_t(1000));
        QCOMPARE(port.WaitingBytes().back().arrivedMs, std::int64_t(1500));
        char frame[8] = {};
        QCOMPARE(port.Read(frame, 2), 2);
        QCOMPARE(port.Read(frame + 2, 6), 1);
        QCOMPARE(QByteArray(frame, 3), QByteArray("\x00\x02z", 3));
        QCOMPARE(port.Write("kl", 2), 2);
        QByteArray sent;
        QTRY_COMPARE_WITH_TIMEOUT(sent += board.takeReceived(), QByteArray("kl"), 5000);
        QVERIFY(raised([&] { holder->Open(); }).contains(path + ": a porta está em uso"));

        port.Close();
        QVERIFY(!port.Connected() && !lamp.isOn());
        QVERIFY(raised([&] { port.Write("k", 1); }).contains(path + " está fechada"));
        holder->Open(); // the device is free again; destroying an open link closes it
        board.releaseSlave();
        QVERIFY(!board.programClosedDevice());
        holder.reset();
        QVERIFY(board.programClosedDevice());
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
