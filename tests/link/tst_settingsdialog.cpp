// The link's set-up dialog: the settings every run starts from, and what is typed in it.

#include "link/comport.h"
#include "link/settingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void defaultSettings();
    void typedSettingIsApplied();
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

// What is typed is what is applied: the fields offer their lists without completing from
// them, so 250000 typed into the focused field stays 250000, not the listed 2500000.
void TestSettingsDialog::typedSettingIsApplied()
{
    SettingsDialog dialog(SerialSettings{});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QLineEdit *field = dialog.findChild<QComboBox *>("baudRateBox")->lineEdit();
    field->setFocus();
    QVERIFY(field->hasFocus());
    field->clear();
    QTest::keyClicks(field, "250000");
    QCOMPARE(dialog.settings().baudRate, 250000);
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
