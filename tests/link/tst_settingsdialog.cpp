// The link's set-up dialog: the settings every run starts from, the ports the system
// lists, and what is typed in it, checked on OK.

#include "link/comport.h"
#include "link/settingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void defaultSettings();
    void listedPortIsDescribed();
    void givenSettingsAreCheckedAndAppliedOnOk_data();
    void givenSettingsAreCheckedAndAppliedOnOk();
    void rtsIsTheDriversUnderRtsCts();
};

// What the dialog shows on a link as every run starts: COM2 at 19200 baud, 8 data bits, no
// parity, 1 stop bit, no flow control, DTR and RTS inactive.
void TestSettingsDialog::defaultSettings()
{
    const SettingsDialog dialog(ComPort().settings());
    QStringList shown;
    for (const char *box :
         {"portBox", "baudRateBox", "dataBitsBox", "parityBox", "stopBitsBox", "flowControlBox"})
        shown << dialog.findChild<QComboBox *>(box)->currentText();
    for (const char *check : {"dtrCheck", "rtsCheck"})
        shown << (dialog.findChild<QCheckBox *>(check)->isChecked() ? "on" : "off");
    QCOMPARE(shown, QStringList({"COM2", "19200", "8", "Nenhuma", "1", "Nenhum", "off", "off"}));
}

// A port the system lists is offered with what the system says of it, the adapter's serial
// number included; the configured one, when listed, is chosen among them rather than
// offered twice.
void TestSettingsDialog::listedPortIsDescribed()
{
    const QList<ListedPort> listed{
        {"ttyUSB0", "FT232R USB UART", "FTDI", "/dev/ttyUSB0", "A50285BI"},
        {"ttyS0", "", "", "/dev/ttyS0", ""}};
    const SettingsDialog dialog(SerialSettings{"ttyUSB0"}, nullptr, listed);
    const auto *port = dialog.findChild<QComboBox *>("portBox");
    QCOMPARE(port->count(), 2);
    QCOMPARE(port->currentText(), "ttyUSB0");
    QStringList labels;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels.contains("FT232R USB UART"), true);
    QCOMPARE(labels.contains("FTDI"), true);
    QCOMPARE(labels.contains("/dev/ttyUSB0"), true);
    QCOMPARE(labels.contains("A50285BI"), true);
}

// What is typed or chosen is what is applied, once checked on OK, which Enter in a field
// presses too. The fields offer their lists without completing from them: 250000 typed into
// the focused field stays 250000, not the listed 2500000, and ttyUSB1 stays ttyUSB1 beside
// a listed ttyUSB10. What the line cannot take keeps the dialog open, and a box says what
// to give instead.
void TestSettingsDialog::givenSettingsAreCheckedAndAppliedOnOk_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<QString>("told"); // empty: the settings are taken
    const auto row = [](const char *name, QString port, QString speed, QString stopBits,
                        QString told = {}) {
        QTest::newRow(name) << port << speed << stopBits << told;
    };
    const QString badSpeed = "Indique uma velocidade válida, de 1 a 4000000 baud.";
    row("a speed between listed ones", "COM2", "250000", "1");
    row("the lowest speed", "COM2", "1", "1");
    row("the highest speed", "COM2", "4000000", "1");
    row("no speed", "COM2", "0", "1", badSpeed);
    row("above the highest speed", "COM2", "4000001", "1", badSpeed);
    row("no port", "  ", "19200", "1", "Indique a porta serial.");
    row("a port's name that starts a listed one", "ttyUSB1", "19200", "1");
    row("two stop bits", "COM2", "19200", "2");
}

void TestSettingsDialog::givenSettingsAreCheckedAndAppliedOnOk()
{
    QFETCH(QString, port);
    QFETCH(QString, speed);
    QFETCH(QString, stopBits);
    QFETCH(QString, told);
    SettingsDialog dialog(SerialSettings{}, nullptr, {{"ttyUSB10", "", "", "/dev/ttyUSB10", ""}});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *stopBitsBox = dialog.findChild<QComboBox *>("stopBitsBox");
    stopBitsBox->setCurrentIndex(stopBitsBox->findText(stopBits));
    for (const auto &[box, typed] : {std::pair{"portBox", port}, std::pair{"baudRateBox", speed}}) {
        QLineEdit *field = dialog.findChild<QComboBox *>(box)->lineEdit();
        field->setFocus();
        QVERIFY(field->hasFocus());
        field->clear();
        QTest::keyClicks(field, typed);
    }
    QString box;
    QTimer::singleShot(0, [&box] {
        if (auto *open = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            box = open->text();
            open->done(QMessageBox::Ok);
        }
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(box, told);
    QCOMPARE(dialog.result() == QDialog::Accepted, told.isEmpty());
    const SerialSettings given = dialog.settings();
    QCOMPARE(given.port, port.trimmed());
    QCOMPARE(given.baudRate, speed.toInt());
    QCOMPARE(QString::number(given.stopBits), stopBits);
}

// With RTS/CTS flow control the driver owns the RTS line: its box is not the user's then.
void TestSettingsDialog::rtsIsTheDriversUnderRtsCts()
{
    const SettingsDialog dialog(SerialSettings{});
    auto *flowControl = dialog.findChild<QComboBox *>("flowControlBox");
    const QCheckBox *rts = dialog.findChild<QCheckBox *>("rtsCheck");
    QCOMPARE(rts->isEnabled(), true);
    flowControl->setCurrentIndex(flowControl->findText("RTS/CTS"));
    QCOMPARE(rts->isEnabled(), false);
    flowControl->setCurrentIndex(flowControl->findText("XON/XOFF"));
    QCOMPARE(rts->isEnabled(), true);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
