#include "errors/exception.h"
#include "link/comport.h"
#include "link/portnaming.h"
#include "link/settingsdialog.h"
#include "support/ptyboard.h"

#include <QComboBox>
#include <QtTest>

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

// Runs the set-up dialog with these steps, ';' apart: "boxName=text" edits, then OK, or
// Cancel when one step is "cancel". Returns the message the set-up raised.
static QString runSetup(ComPort &port, const QString &steps)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        for (const QString &step : steps.split(';'))
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
    void portNaming()
    {
        // COM names stand for ttyS devices, whatever their case; messages show both (the
        // link opens the device named here).
        QCOMPARE(describePort("COM1"), "COM1 (/dev/ttyS0)");
        QCOMPARE(describePort("com10"), "com10 (/dev/ttyS9)");
    }

    // A link to the board's pseudo-terminal (DEVICE) is set up with these steps, or
    // opened by a user without access rights: what it raises (a pattern), and the baud
    // rate it is left open with (0: closed). Whatever happened, setting it up on the
    // board next works, and the link then carries bytes both ways.
    void linkOnPseudoTerminal_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<qint32>("baudRate");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no access") << "as nobody" << 0 << "DEVICE: permissão negada.*-aG GROUP ";
        QTest::newRow("cancelled") << "portBox=ttyX;baudRateBox=9600;cancel" << 19200 << "^$";
        QTest::newRow("9600") << "baudRateBox=9600" << 9600 << "^$";
        QTest::newRow("refused") << "baudRateBox=4800;dataBitsBox=7" << 19200 << "aplicar.*DEVICE:";
        QTest::newRow("no port") << "portBox=ttyX" << 0 << "ttyX \\(/dev/ttyX\\).*não existe";
    }

    void linkOnPseudoTerminal()
    {
        QFETCH(QString, steps);
        QFETCH(qint32, baudRate);
        QFETCH(QString, expected);
        PtyBoard board;
        const QString path = board.devicePath();
        expected.replace("DEVICE", path).replace("GROUP", QFileInfo(path).group());
        // A pseudo-terminal has no modem lines: asking for them must not fail the open.
        SerialSettings initial{path};
        initial.dataTerminalReady = initial.requestToSend = true;
        std::int64_t now = 1000;
        ComPort port, holder; // holder: another program wanting the device
        port.setClock([&now] { return now; });
        port.setSettings(initial);
        holder.setSettings({path});
        QString message;
        if (steps == "as nobody") {
            if (::geteuid() != 0)
                QSKIP("needs root to open a root-owned device as another user");
            // Root ignores file modes: open the owner-only device as the user "nobody".
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
            // Root stays the saved user, to come back to.
            const int nobody = ::setresgid(65534, 65534, 0) + ::setresuid(65534, 65534, 0);
            message = raised([&] { port.Open(); });
            QVERIFY(::setresuid(0, 0, 0) == 0 && ::setresgid(0, 0, 0) == 0 && nobody == 0);
        } else {
            port.Open();
            QSignalSpy changed(&port, &ComPort::connectionChanged);
            message = runSetup(port, steps);
            QCOMPARE(changed.count(), baudRate != 0 ? 0 : 1); // carrying on is not re-opening
        }
        QVERIFY2(QRegularExpression(expected).match(message).hasMatch(), qPrintable(message));
        QCOMPARE(port.Connected(), baudRate != 0);
        initial.baudRate = baudRate;
        QVERIFY(!baudRate || port.settings() == initial);
        QVERIFY(!baudRate || board.lineSpeed() == speed_t(baudRate == 9600 ? B9600 : B19200));

        board.send("stale");
        QCOMPARE(runSetup(port, "portBox=" + path), QString());
        port.ClearBuffer(true, true);
        board.send(QByteArray("\x00\x02", 2));
        QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 2, 5000);
        now = 1500;
        board.send("z");
        QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 3, 5000);
        QCOMPARE(port.WaitingBytes().front().arrivedMs, std::int64_t(1000));
        QCOMPARE(port.WaitingBytes().back().arrivedMs, std::int64_t(1500));
        char frame[8] = {};
        QCOMPARE(QByteArray(frame, port.Read(frame, 8)), QByteArray("\x00\x02z", 3));
        QCOMPARE(port.Write("kl", 2), 2);
        QByteArray sent;
        QTRY_COMPARE_WITH_TIMEOUT(sent += board.takeReceived(), QByteArray("kl"), 5000);
        QVERIFY(raised([&] { holder.Open(); }).contains(path + ": a porta está em uso"));

        port.Close();
        QVERIFY(!port.Connected());
        QVERIFY(raised([&] { port.Write("k", 1); }).contains(path + " está fechada"));
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
