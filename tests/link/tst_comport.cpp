#include "comled.h"
#include "comport.h"
#include "exception.h"
#include "portnaming.h"
#include "ptyboard.h"
#include "settingsdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

SerialSettings settingsFor(const QString &port) {
    SerialSettings settings;
    settings.port = port;
    return settings;
}

// The message an operation raises, or "" when it raises nothing.
QString raised(const std::function<void()> &operation) {
    try {
        operation();
    } catch (const Exception &error) {
        return error.Message();
    }
    return {};
}

// Runs act on the set-up dialog once its nested loop is up. act must close the dialog.
void onSetupDialog(std::function<void(SettingsDialog *)> act) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

QComboBox *box(SettingsDialog *dialog, const char *name) {
    return dialog->findChild<QComboBox *>(QLatin1String(name));
}

void choose(QComboBox *box, const QVariant &value) {
    box->setCurrentIndex(box->findData(value));
}

// Opens a root-owned 0600 device as the unprivileged user "nobody", in a child process
// (root ignores file modes), and returns the message the link raised.
QString openAsNobody(const QString &device) {
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        QByteArray text = "opened";
        if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0) {
            ComPort port;
            port.setSettings(settingsFor(device));
            const QString message = raised([&] { port.Open(); });
            if (!message.isEmpty())
                text = message.toUtf8();
        } else {
            text = "could not drop privileges";
        }
        (void)!::write(channel[1], text.constData(), static_cast<size_t>(text.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[1024];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(text);
}

} // namespace

class TestComPort : public QObject {
    Q_OBJECT
private slots:
    void portNaming_data();
    void portNaming();
    void exchangesBytesOnPseudoTerminal();
    void openFailureSaysWhy_data();
    void openFailureSaysWhy();
    void unplugIsReportedOnceAndReopenWorks();
    void setupDialogAppliesWhatIsConfirmed();
    void setupDialogWithMissingPortLeavesLinkClosed();
};

void TestComPort::portNaming_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("described");
    QTest::newRow("COM1 is the first serial device") << "COM1"
                                                     << "/dev/ttyS0"
                                                     << "COM1 (/dev/ttyS0)";
    QTest::newRow("COM2, the default") << "COM2"
                                       << "/dev/ttyS1"
                                       << "COM2 (/dev/ttyS1)";
    QTest::newRow("lower case, two digits") << "com10"
                                            << "/dev/ttyS9"
                                            << "com10 (/dev/ttyS9)";
    QTest::newRow("a path is used as given") << "/dev/pts/3"
                                             << "/dev/pts/3"
                                             << "/dev/pts/3";
    QTest::newRow("a bare name lives in /dev") << "ttyUSB0"
                                               << "/dev/ttyUSB0"
                                               << "ttyUSB0 (/dev/ttyUSB0)";
}

void TestComPort::portNaming() {
    QFETCH(QString, port);
    QFETCH(QString, device);
    QFETCH(QString, described);
    QCOMPARE(devicePathForPort(port), device);
    QCOMPARE(describePort(port), described);
}

void TestComPort::exchangesBytesOnPseudoTerminal() {
    PtyBoard board;
    QVERIFY(board.isValid());
    const QString path = board.devicePath();
    SerialSettings settings = settingsFor(path);
    // A pseudo-terminal has no modem lines: asking for them must not fail the open.
    settings.dataTerminalReady = true;
    settings.requestToSend = true;

    std::int64_t now = 1000;
    auto port = std::make_unique<ComPort>();
    port->setClock([&now] { return now; });
    port->setSettings(settings);
    ComLed lamp;
    lamp.setComPort(port.get());
    QSignalSpy rx(port.get(), &ComPort::OnRxChar);

    board.send("stale");
    port->Open();
    QVERIFY(port->Connected());
    QVERIFY(lamp.isOn());
    port->ClearBuffer(true, true);

    board.send(QByteArray("\x00\x02", 2));
    QTRY_COMPARE_WITH_TIMEOUT(port->InputCount(), 2, 5000);
    QCOMPARE(rx.last().at(0).toInt(), 2);
    now = 1500;
    board.send("z");
    QTRY_COMPARE_WITH_TIMEOUT(port->InputCount(), 3, 5000);
    QCOMPARE(rx.last().at(0).toInt(), 3);

    const std::vector<ArrivedByte> waiting = port->WaitingBytes();
    QCOMPARE(waiting.size(), size_t(3));
    QCOMPARE(int(waiting[0].value), 0x00);
    QCOMPARE(int(waiting[1].value), 0x02);
    QCOMPARE(int(waiting[2].value), int('z'));
    QCOMPARE(waiting[0].arrivedMs, std::int64_t(1000));
    QCOMPARE(waiting[1].arrivedMs, std::int64_t(1000));
    QCOMPARE(waiting[2].arrivedMs, std::int64_t(1500));

    char frame[8] = {};
    QCOMPARE(port->Read(frame, 2), 2);
    QCOMPARE(QByteArray(frame, 2), QByteArray("\x00\x02", 2));
    QCOMPARE(port->Read(frame, 8), 1);
    QCOMPARE(frame[0], 'z');
    QCOMPARE(port->InputCount(), 0);

    QCOMPARE(port->Write("k", 1), 1);
    QCOMPARE(port->Write("l", 1), 1);
    QByteArray sent;
    QTRY_COMPARE_WITH_TIMEOUT(sent += board.takeReceived(), QByteArray("kl"), 5000);

    port->Close();
    QVERIFY(!port->Connected());
    QVERIFY(!lamp.isOn());
    for (const QString &message :
         {raised([&] { port->Write("k", 1); }), raised([&] { port->InputCount(); }),
          raised([&] { port->Read(frame, 2); })}) {
        QVERIFY2(message.contains(path) && message.contains(QStringLiteral("fechada")),
                 qPrintable(message));
    }

    // The component's destruction closes an open device.
    port->Open();
    board.releaseSlave();
    QVERIFY(!board.programClosedDevice());
    port.reset();
    QVERIFY(board.programClosedDevice());
}

void TestComPort::openFailureSaysWhy_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("device missing")
        << "missing" << QStringList{"ttyNoSuchBoard (/dev/ttyNoSuchBoard)", "não existe"};
    QTest::newRow("held by another link") << "busy" << QStringList{"em uso"};
    QTest::newRow("no access rights")
        << "denied" << QStringList{"permissão negada", "\"dialout\"", "usermod"};
}

void TestComPort::openFailureSaysWhy() {
    QFETCH(QString, situation);
    QFETCH(QStringList, expected);
    PtyBoard board;
    QVERIFY(board.isValid());
    const QString path = board.devicePath();
    ComPort holder;
    holder.setSettings(settingsFor(path));
    ComPort port;
    port.setSettings(settingsFor(path));

    QString message;
    if (situation == "missing") {
        port.setSettings(settingsFor(QStringLiteral("ttyNoSuchBoard")));
        message = raised([&] { port.Open(); });
    } else if (situation == "busy") {
        holder.Open();
        message = raised([&] { port.Open(); });
        expected << path;
    } else {
        if (::geteuid() != 0)
            QSKIP("needs root to hand the device to root and open it as another user");
        const group *dialout = ::getgrnam("dialout");
        QVERIFY(dialout);
        const QByteArray device = path.toLocal8Bit();
        QCOMPARE(::chown(device.constData(), 0, dialout->gr_gid), 0);
        QCOMPARE(::chmod(device.constData(), 0600), 0);
        message = openAsNobody(path);
        expected << path;
    }
    QVERIFY(!port.Connected());
    QVERIFY2(message.startsWith(QStringLiteral("Não foi possível abrir a porta")),
             qPrintable(message));
    for (const QString &part : expected)
        QVERIFY2(message.contains(part), qPrintable(message));
}

void TestComPort::unplugIsReportedOnceAndReopenWorks() {
    PtyBoard board;
    QVERIFY(board.isValid());
    ComPort port;
    port.setSettings(settingsFor(board.devicePath()));
    ComLed lamp;
    lamp.setComPort(&port);
    port.Open();
    board.releaseSlave();

    int qtErrors = 0;
    auto *serial = port.findChild<QSerialPort *>();
    QVERIFY(serial);
    connect(serial, &QSerialPort::errorOccurred, this, [&qtErrors] { ++qtErrors; });
    QSignalSpy lost(&port, &ComPort::linkLost);
    QSignalSpy changed(&port, &ComPort::connectionChanged);

    board.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 5000);
    const int errorsAtLoss = qtErrors;
    QTest::qWait(500);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(qtErrors, errorsAtLoss); // Qt's error loop stopped with the close
    QVERIFY2(lost.first().at(0).toString().contains(board.devicePath()),
             qPrintable(lost.first().at(0).toString()));
    QVERIFY(!port.Connected());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toBool(), false);
    QVERIFY(!lamp.isOn());

    PtyBoard replacement;
    QVERIFY(replacement.isValid());
    port.applySettings(settingsFor(replacement.devicePath()));
    QVERIFY(port.Connected());
    QVERIFY(lamp.isOn());
    replacement.send("ab");
    QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 2, 5000);
}

void TestComPort::setupDialogAppliesWhatIsConfirmed() {
    PtyBoard board;
    QVERIFY(board.isValid());
    const SerialSettings initial = settingsFor(board.devicePath());
    ComPort port;
    port.setSettings(initial);
    ComLed lamp;
    lamp.setComPort(&port);
    port.Open();
    QSignalSpy rx(&port, &ComPort::OnRxChar);
    QSignalSpy changed(&port, &ComPort::connectionChanged);

    // Cancel: whatever was edited is dropped and the link carries on as it was.
    onSetupDialog([](SettingsDialog *dialog) {
        box(dialog, "portBox")->setCurrentText(QStringLiteral("ttyNoSuchBoard"));
        box(dialog, "baudRateBox")->setCurrentText(QStringLiteral("9600"));
        dialog->reject();
    });
    QCOMPARE(raised([&] { port.ShowSetupDialog(); }), QString());
    QVERIFY(port.settings() == initial);
    QVERIFY(port.Connected());
    const termios unchanged = board.lineSettings();
    QCOMPARE(cfgetospeed(&unchanged), speed_t(B19200));
    board.send("x");
    QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 1, 5000);

    // OK with new line settings: applied to the open link, which is not re-opened (a
    // re-open would drop the bytes received while the dialog was open).
    bool receivedWhileOpen = false;
    onSetupDialog([&](SettingsDialog *dialog) {
        const int before = rx.count();
        board.send("yz");
        receivedWhileOpen =
            QTest::qWaitFor([&] { return port.InputCount() == 3; }, 5000) && rx.count() > before;
        box(dialog, "baudRateBox")->setCurrentText(QStringLiteral("9600"));
        choose(box(dialog, "stopBitsBox"), QSerialPort::TwoStop);
        choose(box(dialog, "flowControlBox"), QSerialPort::NoFlowControl);
        dialog->findChild<QCheckBox *>(QStringLiteral("dtrCheck"))->setChecked(true);
        dialog->findChild<QCheckBox *>(QStringLiteral("rtsCheck"))->setChecked(true);
        dialog->accept();
    });
    QCOMPARE(raised([&] { port.ShowSetupDialog(); }), QString());
    QVERIFY(receivedWhileOpen);
    SerialSettings confirmed = initial;
    confirmed.baudRate = 9600;
    confirmed.stopBits = QSerialPort::TwoStop;
    confirmed.dataTerminalReady = confirmed.requestToSend = true;
    QVERIFY(port.settings() == confirmed);
    const termios line = board.lineSettings();
    QCOMPARE(cfgetospeed(&line), speed_t(B9600));
    QVERIFY(line.c_cflag & CSTOPB);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(port.InputCount(), 3);

    // A pseudo-terminal keeps 8 data bits and no parity: a refused change is raised,
    // and the link stays open with the settings it had.
    onSetupDialog([](SettingsDialog *dialog) {
        box(dialog, "baudRateBox")->setCurrentText(QStringLiteral("4800"));
        choose(box(dialog, "dataBitsBox"), QSerialPort::Data7);
        choose(box(dialog, "parityBox"), QSerialPort::EvenParity);
        dialog->accept();
    });
    const QString refused = raised([&] { port.ShowSetupDialog(); });
    QVERIFY2(refused.contains(board.devicePath()) && refused.contains(QStringLiteral("aplicar")),
             qPrintable(refused));
    QVERIFY(port.settings() == confirmed);
    const termios kept = board.lineSettings();
    QCOMPARE(cfgetospeed(&kept), speed_t(B9600));
    QVERIFY(port.Connected());
    QCOMPARE(port.InputCount(), 3);

    // OK with another port: the link moves there.
    PtyBoard other;
    QVERIFY(other.isValid());
    onSetupDialog([&](SettingsDialog *dialog) {
        box(dialog, "portBox")->setCurrentText(other.devicePath());
        dialog->accept();
    });
    QCOMPARE(raised([&] { port.ShowSetupDialog(); }), QString());
    QCOMPARE(port.settings().port, other.devicePath());
    QVERIFY(port.Connected());
    QVERIFY(lamp.isOn());
    QCOMPARE(port.InputCount(), 0);
    other.send("ab");
    QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 2, 5000);
    const termios moved = other.lineSettings();
    QCOMPARE(cfgetospeed(&moved), speed_t(B9600));
}

void TestComPort::setupDialogWithMissingPortLeavesLinkClosed() {
    PtyBoard board;
    QVERIFY(board.isValid());
    ComPort port;
    port.setSettings(settingsFor(board.devicePath()));
    ComLed lamp;
    lamp.setComPort(&port);
    port.Open();

    onSetupDialog([](SettingsDialog *dialog) {
        box(dialog, "portBox")->setCurrentText(QStringLiteral("ttyNoSuchBoard"));
        dialog->accept();
    });
    const QString message = raised([&] { port.ShowSetupDialog(); });
    QVERIFY2(message.contains(QStringLiteral("ttyNoSuchBoard (/dev/ttyNoSuchBoard)")) &&
                 message.contains(QStringLiteral("não existe")),
             qPrintable(message));
    QVERIFY(!port.Connected());
    QVERIFY(!lamp.isOn());

    onSetupDialog([&](SettingsDialog *dialog) {
        box(dialog, "portBox")->setCurrentText(board.devicePath());
        dialog->accept();
    });
    QCOMPARE(raised([&] { port.ShowSetupDialog(); }), QString());
    QVERIFY(port.Connected());
    QVERIFY(lamp.isOn());
    board.send("ab");
    QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 2, 5000);
}

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
