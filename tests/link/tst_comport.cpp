// The link's set-up dialog: the settings every run starts from, and a new line speed
// applied to the open link (a pseudo-terminal plays the board's device).

#include "link/comport.h"
#include "link/settingsdialog.h"
#include "support/ptyboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

// Opens the link's set-up dialog; `user` acts in it, then confirms it, or cancels it.
static void setUp(ComPort &port, const std::function<void(SettingsDialog &)> &user,
                  bool confirm = true)
{
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        user(*dialog);
        if (confirm)
            dialog->accept();
        else
            dialog->reject();
    });
    port.ShowSetupDialog();
}

static void choose(SettingsDialog &dialog, const char *field, const QString &text)
{
    dialog.findChild<QComboBox *>(field)->setCurrentText(text);
}

class TestComPort : public QObject
{
    Q_OBJECT
private slots:
    // What the set-up dialog shows on a link as every run starts: COM2 at 19200 baud, 8
    // data bits, no parity, 1 stop bit, no flow control, DTR and RTS inactive.
    void defaultSettings()
    {
        ComPort port;
        QStringList shown;
        const auto read = [&](SettingsDialog &dialog) {
            for (const char *box : {"portBox", "baudRateBox", "dataBitsBox", "parityBox",
                                    "stopBitsBox", "flowControlBox"})
                shown << dialog.findChild<QComboBox *>(box)->currentText();
            for (const char *check : {"dtrCheck", "rtsCheck"})
                shown << (dialog.findChild<QCheckBox *>(check)->isChecked() ? "on" : "off");
        };
        setUp(port, read, false);
        QCOMPARE(shown,
                 QStringList({"COM2", "19200", "8", "Nenhuma", "1", "Nenhum", "off", "off"}));
    }

    void lineRunsAtTheSpeedSetUp()
    {
        PtyBoard board;
        ComPort port;
        port.setSettings({board.devicePath()});
        port.Open();
        QCOMPARE(board.lineSpeed(), speed_t(B19200));
        setUp(port, [](SettingsDialog &dialog) { choose(dialog, "baudRateBox", "9600"); });
        QCOMPARE(board.lineSpeed(), speed_t(B9600));
        QCOMPARE(port.Connected(), true);
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
