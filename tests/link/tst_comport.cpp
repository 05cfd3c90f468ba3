// The link, over pseudo-terminals playing the board's device: a character's time on the
// wire, a new line speed applied to the open link or refused, another port chosen, what a
// user without access to the device is told to do about it (join the device's group when
// that group may use the device, otherwise ask the administrator), a built-in port with no
// hardware behind it, and terminals that are no board's line.

#include "errors/exception.h"
#include "link/comport.h"
#include "link/linkerrors.h"
#include "link/lostboardwatch.h"
#include "link/settingsdialog.h"
#include "support/fakemachine.h"
#include "support/ptyboard.h"

#include <QComboBox>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

class TestComPort : public QObject
{
    Q_OBJECT
private slots:
    void lineSettingsCountAndAreNamed();
    void lineRunsAtTheSettingsItTakes();
    void anotherPortChosenIsOpened();
    void anotherPortChosenEndsTheLookForTheLostBoard();
    void refusalSaysWhy_data();
    void refusalSaysWhy();
    void permissionHint_data();
    void permissionHint();
    void portWithoutHardwareIsToldApart();
    void terminalThatIsNoLineIsNotOpened_data();
    void terminalThatIsNoLineIsNotOpened();
    void systemConsoleIsNotOpened();
    void refusalOfAUsableDeviceIsNotAlwaysBusy();
};

// Opens the link's set-up dialog; `user` acts in it, then confirms it.
static void setUp(ComPort &port, const std::function<void(SettingsDialog &)> &user)
{
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        user(*dialog);
        dialog->accept();
    });
    port.ShowSetupDialog();
}

static void choose(SettingsDialog &dialog, const char *field, const QString &text)
{
    dialog.findChild<QComboBox *>(field)->setCurrentText(text);
}

// What the user is told of the error `action` raises; empty if it raises none.
static QString told(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &error) {
        return error.Message();
    }
    return {};
}

// Root ignores file modes: while one of these lives, the process is the user "nobody", in
// a group of its own and no other, root staying the saved user to come back to.
class AsNobody
{
public:
    AsNobody()
        : switched(::setgroups(0, nullptr) == 0 && ::setresgid(65533, 65533, 0) == 0
                   && ::setresuid(65534, 65534, 0) == 0)
    {}
    ~AsNobody()
    {
        if (::setresuid(0, 0, 0) + ::setresgid(0, 0, 0) != 0)
            qFatal("cannot be root again: the tests after this one would not run as root");
    }
    const bool switched;
};

// A 7E2 line. A character on the wire is a start bit, the data bits, the parity bit if
// any, and the stop bits: the link judges silences on a slow line by it. The silence box
// names the port as the user typed it, and the line's settings.
void TestComPort::lineSettingsCountAndAreNamed()
{
    QCOMPARE(SerialSettings().bitsPerCharacter(), 10); // 8N1
    SerialSettings line;
    line.dataBits = QSerialPort::Data7;
    line.parity = QSerialPort::EvenParity;
    line.stopBits = QSerialPort::TwoStop;
    QCOMPARE(line.bitsPerCharacter(), 11);
    QCOMPARE(silentBoardMessage("x%1y", line, 3).section(". ", 0, 0),
             "A placa não responde pela porta x%1y: 3 pedidos seguidos ficaram sem resposta, a "
             "19200 baud, 7 bits de dados, paridade par, 2 bits de parada");
}

// A new speed is applied to the open link. A setting the device refuses is told, and the
// link keeps what it ran with: a pseudo-terminal has no parity.
void TestComPort::lineRunsAtTheSettingsItTakes()
{
    PtyBoard board;
    ComPort port;
    port.setSettings({board.devicePath()});
    port.Open();
    QCOMPARE(board.lineSpeed(), speed_t(B19200));
    setUp(port, [](SettingsDialog &dialog) { choose(dialog, "baudRateBox", "9600"); });
    QCOMPARE(board.lineSpeed(), speed_t(B9600));
    QCOMPARE(port.Connected(), true);
    const QString refusal = told([&] {
        setUp(port, [](SettingsDialog &dialog) {
            choose(dialog, "baudRateBox", "4800");
            choose(dialog, "parityBox", "Par");
        });
    });
    QCOMPARE(refusal.section(':', 0, 0),
             "Não foi possível aplicar as configurações à porta " + board.devicePath());
    QCOMPARE(port.settings().parity, QSerialPort::NoParity);
    QCOMPARE(board.lineSpeed(), speed_t(B9600));
}

// Another port chosen in the dialog is the one polled from then on.
void TestComPort::anotherPortChosenIsOpened()
{
    PtyBoard first, second;
    ComPort port;
    port.setSettings({first.devicePath()});
    port.Open();
    setUp(port, [&](SettingsDialog &dialog) { choose(dialog, "portBox", second.devicePath()); });
    port.Write("k", 1);
    QByteArray polled;
    QTRY_VERIFY(!(polled += second.takeReceived()).isEmpty());
    QCOMPARE(polled, "k");
    QCOMPARE(first.takeReceived(), "");
}

// A lost board is no longer looked for once the user has chosen another port, even one
// that fails to open: back, it would take the user's choice's place.
void TestComPort::anotherPortChosenEndsTheLookForTheLostBoard()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("board");
    auto board = std::make_unique<PtyBoard>();
    QFile::link(board->devicePath(), link);
    ComPort port;
    port.setSettings({link});
    port.Open();
    QSignalSpy looks(port.findChild<LostBoardWatch *>(), &LostBoardWatch::looked);
    board.reset();
    QVERIFY(looks.wait(2 * LostBoardWatch::kLookIntervalMs));
    QVERIFY_THROWS_EXCEPTION(Exception, port.applySettings({dir.filePath("missing")}));
    board = std::make_unique<PtyBoard>();
    QFile::remove(link);
    QFile::link(board->devicePath(), link);
    QTest::qWait(2 * LostBoardWatch::kLookIntervalMs);
    QCOMPARE(port.Connected(), false);
}

// Why the device could not be opened, in words, and the user's name for it as typed.
void TestComPort::refusalSaysWhy_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a loop of links, %1 in its name")
        << "x%1y"
        << "os links simbólicos do caminho formam um laço.";
    QTest::newRow("a name too long") << QString(400, 'x') << "o nome é longo demais.";
}

void TestComPort::refusalSaysWhy()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QFile::link(dir.filePath("x%1z"), dir.filePath("x%1y"));
    QFile::link(dir.filePath("x%1y"), dir.filePath("x%1z"));
    ComPort port;
    port.setSettings({dir.filePath(name)});
    QCOMPARE(told([&] { port.Open(); }),
             "Não foi possível abrir a porta " + dir.filePath(name) + ": " + reason);
}

void TestComPort::permissionHint_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("advice");
    QTest::newRow("root's group: never advised")
        << "root"
        << "Nenhum grupo de usuários pode ler e escrever em DEVICE. Peça ao administrador que "
           "dê esse acesso ao grupo \"dialout\", o grupo de costume das portas seriais (por "
           "exemplo, com uma regra do udev), e que inclua o seu usuário nesse grupo.";
    QTest::newRow("dialout may use it: join dialout")
        << "dialout"
        << "Para usar DEVICE, o seu usuário precisa pertencer ao grupo \"dialout\" (por "
           "exemplo: sudo usermod -aG dialout $USER) e entrar de novo na sessão.";
}
void TestComPort::permissionHint()
{
    QFETCH(QString, group);
    QFETCH(QString, advice);
    if (::geteuid() != 0)
        QSKIP("needs root to give the device away and open it as another user");
    const struct group *owner = ::getgrnam(group.toLocal8Bit());
    if (!owner)
        QSKIP(qPrintable("no group " + group + " on this machine"));
    PtyBoard board;
    const QByteArray device = board.devicePath().toLocal8Bit();
    QCOMPARE(::chown(device, 0, owner->gr_gid), 0);
    QCOMPARE(::chmod(device, 0660), 0);
    ComPort port;
    port.setSettings({board.devicePath()});
    QString message;
    {
        const AsNobody nobody;
        QVERIFY(nobody.switched);
        message = told([&] { port.Open(); });
    }
    QCOMPARE(message, QString("Não foi possível abrir a porta DEVICE: permissão negada. " + advice)
                          .replace("DEVICE", board.devicePath()));
}

// A built-in port the firmware lists with no UART behind it (sysfs says its type is
// unknown, and opening it fails with an input/output error).
void TestComPort::portWithoutHardwareIsToldApart()
{
    FakeMachine machine;
    machine.addBuiltInPort("ttyS1", "0");
    const OpenFailure failure = classifyOpenFailure(QSerialPort::UnknownError, "Unknown error",
                                                    machine.dev + "/ttyS1", machine.sys);
    QCOMPARE(openFailureMessage("COM2", failure),
             "Não foi possível abrir a porta COM2 (/dev/ttyS1): não há hardware de porta "
             "serial em COM2. Se a placa está ligada por um adaptador USB, abra o programa "
             "pelo menu (\"Visualizador do Sensor\"), que procura a placa, ou use "
             "sensor-viewer-on com o dispositivo do adaptador (por exemplo: "
             "sensor-viewer-on /dev/ttyUSB0).");
}

// The terminal the user types in, or the one that makes pseudo-terminals, typed as the
// port: no board is there, and opened, it would be set raw and polled.
void TestComPort::terminalThatIsNoLineIsNotOpened_data()
{
    QTest::addColumn<QString>("device");
    QTest::newRow("the terminal typed in") << "/dev/tty";
    QTest::newRow("the pseudo-terminal maker") << "/dev/ptmx";
}
void TestComPort::terminalThatIsNoLineIsNotOpened()
{
    QFETCH(QString, device);
    ComPort port;
    port.setSettings({device});
    QCOMPARE(told([&] { port.Open(); }),
             "Não foi possível abrir a porta " + device
                 + ": é um terminal do próprio computador (um console ou o terminal em que se "
                   "digita), e não uma linha serial. Escolha a porta em que a placa está ligada, "
                   "como /dev/ttyUSB0.");
}

// Nor is the line the kernel writes its messages to, though a board could be on it.
void TestComPort::systemConsoleIsNotOpened()
{
    PtyBoard board;
    FakeMachine machine;
    machine.plugAdapter("ttyUSB0", FakeMachine::kFtdi, {}, board.devicePath());
    machine.setConsole("tty0 ttyUSB0", "quiet");
    const std::optional<OpenFailure> refused =
        refusedTerminal(machine.dev + "/ttyUSB0", machine.roots());
    QCOMPARE(openFailureMessage("/dev/ttyUSB0", refused.value_or(OpenFailure{})),
             "Não foi possível abrir a porta /dev/ttyUSB0: é o console do sistema, onde o "
             "kernel escreve as suas mensagens. Ligue a placa em outra porta, ou peça ao "
             "administrador que tire o console dela.");
}

// A device the user may use, refused for a reason of the system's other than its being
// held elsewhere, is not said to be in use by another program: the reason is given.
void TestComPort::refusalOfAUsableDeviceIsNotAlwaysBusy()
{
    PtyBoard board;
    const OpenFailure failure =
        classifyOpenFailure(QSerialPort::PermissionError,
                            QString::fromLocal8Bit(std::strerror(EPERM)), board.devicePath());
    QCOMPARE(openFailureMessage("COM2", failure),
             "Não foi possível abrir a porta COM2 (/dev/ttyS1): operação não permitida.");
}

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
