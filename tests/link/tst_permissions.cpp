// A user without access to the board's device is told what can be done about it: join
// the device's group when that group may use the device, otherwise ask the administrator.

#include "errors/exception.h"
#include "link/comport.h"
#include "support/ptyboard.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TstPermissions : public QObject
{
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TstPermissions)
#include "tst_permissions.moc"
