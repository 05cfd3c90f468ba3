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
    // What the set-up dialog shows on a link as every run starts.
    void defaultSettings_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        QTest::newRow("port COM2") << "portBox"
                                   << "COM2";
        QTest::newRow("19200 baud") << "baudRateBox"
                                    << "19200";
        QTest::newRow("8 data bits") << "dataBitsBox"
                                     << "8";
        QTest::newRow("no parity") << "parityBox"
                                   << "Nenhuma";
        QTest::newRow("1 stop bit") << "stopBitsBox"
                                    << "1";
        QTest::newRow("no flow control") << "flowControlBox"
                                         << "Nenhum";
        QTest::newRow("DTR inactive") << "dtrCheck"
                                      << "off";
        QTest::newRow("RTS inactive") << "rtsCheck"
                                      << "off";
    }
    void defaultSettings()
    {
        QFETCH(QString, field);
        QFETCH(QString, shown);
        ComPort port;
        QString text;
        const auto read = [&](SettingsDialog &dialog) {
            if (auto *check = dialog.findChild<QCheckBox *>(field))
                text = check->isChecked() ? "on" : "off";
            else
                text = dialog.findChild<QComboBox *>(field)->currentText();
        };
        setUp(port, read, false);
        QCOMPARE(text, shown);
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
