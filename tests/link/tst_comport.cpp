// The link (a pseudo-terminal plays the board's device): the settings every run starts
// from, a new line speed applied to the open link in the set-up dialog, and what a user
// without access to the device is told to do about it: join the device's group when that
// group may use the device, otherwise ask the administrator.

#include "errors/exception.h"
#include "link/comport.h"
#include "link/settingsdialog.h"
#include "support/ptyboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

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

    void permissionHint_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("advice");
        const QString none =
            "Nenhum grupo de usuários pode ler e escrever em DEVICE. Peça ao administrador que "
            "dê esse acesso ao grupo \"dialout\", o grupo de costume das portas seriais (por "
            "exemplo, com uma regra do udev), e que inclua o seu usuário nesse grupo.";
        QTest::newRow("root's group: never advised") << "root" << 0660 << none;
        QTest::newRow("dialout may use it: join dialout")
            << "dialout" << 0660
            << "Para usar DEVICE, o seu usuário precisa pertencer ao grupo \"dialout\" (por "
               "exemplo: sudo usermod -aG dialout $USER) e entrar de novo na sessão.";
    }
    void permissionHint()
    {
        QFETCH(QString, group);
        QFETCH(int, mode);
        QFETCH(QString, advice);
        if (::geteuid() != 0)
            QSKIP("needs root to give the device away and open it as another user");
        PtyBoard board;
        const QByteArray device = board.devicePath().toLocal8Bit();
        QCOMPARE(::chown(device, 0, group == "root" ? 0 : 20), 0); // dialout is group 20
        QCOMPARE(::chmod(device, mode_t(mode)), 0);
        ComPort port;
        port.setSettings({board.devicePath()});
        // Root ignores file modes: open as the user "nobody", root staying the saved user.
        QString message;
        QCOMPARE(::setresgid(65534, 65534, 0) + ::setresuid(65534, 65534, 0), 0);
        try {
            port.Open();
        } catch (const Exception &error) {
            message = error.Message();
        }
        QCOMPARE(::setresuid(0, 0, 0) + ::setresgid(0, 0, 0), 0);
        QCOMPARE(message,
                 QString("Não foi possível abrir a porta DEVICE: permissão negada. " + advice)
                     .replace("DEVICE", board.devicePath()));
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
