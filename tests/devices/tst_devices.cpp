// What the machine's /dev, sysfs and procfs say about its serial devices, over trees of
// the tests' own: the devices worth offering, what a path given as the port is, and whose
// group may use a device.
//
//   adaptersAreNamedByMakerProductAndSerial, adaptersWithoutUdevAreFoundByTheirNodes,
//   builtInPortsCountOnlyWithAUartBehind, theConsoleIsNeverOffered: the devices offered
//   lineKind: a serial line, or a terminal that is none, or no terminal at all
//   groupToJoin: the group a user may join to use a device

#include "devices/serialdevices.h"
#include "support/fakemachine.h"
#include "support/ptyboard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const FakeMachine::Adapter kFtdi{"FTDI", "FT232R USB UART", "A50285BI", "1-2"};
const QString kFtdiById = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

void write(const QString &path, const QByteArray &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text + "\n");
}

} // namespace

Q_DECLARE_METATYPE(LineKind)

class TestDevices : public QObject
{
    Q_OBJECT
private slots:
    void adaptersAreNamedByMakerProductAndSerial();
    void adaptersWithoutUdevAreFoundByTheirNodes();
    void builtInPortsCountOnlyWithAUartBehind();
    void theConsoleIsNeverOffered_data();
    void theConsoleIsNeverOffered();
    void lineKind_data();
    void lineKind();
    void groupToJoin_data();
    void groupToJoin();
};

void TestDevices::adaptersAreNamedByMakerProductAndSerial()
{
    FakeMachine machine;
    machine.plugAdapter("ttyUSB0", kFtdi, kFtdiById);
    machine.plugAdapter("ttyACM0", {"Arduino (www.arduino.cc)", "Arduino Uno", "7563331", "1-1"},
                        "usb-Arduino__www.arduino.cc__0043_7563331-if00");
    machine.addLink("usb-Prolific_gone-if00-port0", "../../ttyUSB7"); // unplugged since

    const QList<SerialDevice> expected{
        {machine.dev + "/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563331-if00",
         machine.dev + "/ttyACM0", "Arduino (www.arduino.cc)", "Arduino Uno", "7563331", false},
        {machine.dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         machine.dev + "/ttyUSB0", "FTDI", "FT232R USB UART", "A50285BI", false},
    };
    QCOMPARE(findSerialDevices(machine.roots()), expected);
}

void TestDevices::adaptersWithoutUdevAreFoundByTheirNodes()
{
    FakeMachine machine; // no sysfs entries: a container's private /dev
    machine.addNode("ttyUSB10");
    machine.addNode("ttyUSB2");
    machine.addNode("ttyACM0");
    machine.addLink("usb-Simulated_board_1-if00", "../../ttyACM0");

    const QList<SerialDevice> expected{
        {machine.dev + "/serial/by-id/usb-Simulated_board_1-if00", machine.dev + "/ttyACM0", "",
         "usb-Simulated_board_1-if00", "", false},
        {machine.dev + "/ttyUSB2", machine.dev + "/ttyUSB2", "", "", "", false},
        {machine.dev + "/ttyUSB10", machine.dev + "/ttyUSB10", "", "", "", false},
    };
    QCOMPARE(findSerialDevices(machine.roots()), expected);
}

void TestDevices::builtInPortsCountOnlyWithAUartBehind()
{
    FakeMachine machine;
    machine.addBuiltInPort("ttyS0", "4"); // a 16550A
    machine.addBuiltInPort("ttyS1", "0");
    machine.addNode("ttyS2"); // a node sysfs knows nothing of

    const QList<SerialDevice> expected{
        {machine.dev + "/ttyS0", machine.dev + "/ttyS0", "", "", "", true}};
    QCOMPARE(findSerialDevices(machine.roots()), expected);
}

void TestDevices::theConsoleIsNeverOffered_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("cmdline");
    QTest::addColumn<bool>("offered");
    QTest::newRow("the kernel's active console") << "tty0 ttyS0"
                                                 << "quiet" << false;
    QTest::newRow("console= on the command line") << "tty0"
                                                  << "console=ttyS0,115200n8" << false;
    QTest::newRow("the console elsewhere") << "tty0"
                                           << "console=tty0 -- console=ttyS0" << true;
}

void TestDevices::theConsoleIsNeverOffered()
{
    QFETCH(QString, active);
    QFETCH(QString, cmdline);
    QFETCH(bool, offered);
    FakeMachine machine;
    machine.addBuiltInPort("ttyS0", "4");
    machine.setConsole(active, cmdline);
    QCOMPARE(findSerialDevices(machine.roots()).size(), offered ? 1 : 0);
}

void TestDevices::lineKind_data()
{
    QTest::addColumn<bool>("pseudoTerminal"); // /proc/devices lists its major as "pts"
    QTest::addColumn<bool>("tty");            // sysfs puts it in the tty class...
    QTest::addColumn<bool>("driverDevice");   // ...with its driver's device
    QTest::addColumn<LineKind>("kind");
    QTest::newRow("pseudo-terminal") << true << false << false << LineKind::SerialLine;
    QTest::newRow("UART or USB adapter") << false << true << true << LineKind::SerialLine;
    QTest::newRow("console, virtual console, /dev/tty, ptmx")
        << false << true << false << LineKind::TerminalNotLine;
    QTest::newRow("another character device") << false << false << false << LineKind::NotATerminal;
}

void TestDevices::lineKind()
{
    QFETCH(bool, pseudoTerminal);
    QFETCH(bool, tty);
    QFETCH(bool, driverDevice);
    QFETCH(LineKind, kind);
    // A pseudo-terminal's device number, which the fake trees say what they like about.
    FakeMachine machine;
    PtyBoard node;
    struct stat info = {};
    QCOMPARE(::stat(node.devicePath().toLocal8Bit(), &info), 0);
    write(machine.proc + "/devices",
          pseudoTerminal ? QByteArray::number(major(info.st_rdev)) + " pts" : "");
    const QString entry = QString("%1/dev/char/%2:%3")
                              .arg(machine.sys)
                              .arg(major(info.st_rdev))
                              .arg(minor(info.st_rdev));
    QDir().mkpath(entry);
    if (tty)
        QFile::link(machine.sys + "/class/tty", entry + "/subsystem");
    if (driverDevice)
        QDir().mkpath(entry + "/device");
    QCOMPARE(::lineKind(node.devicePath(), machine.roots()), kind);

    QFile::link(machine.dev + "/gone", machine.dev + "/board");
    QCOMPARE(::lineKind(machine.dev + "/board", machine.roots()), LineKind::Missing);
}

void TestDevices::groupToJoin_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("overflowGroup"); // how groups not mapped here show
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("advised");
    QTest::newRow("group may read and write") << 0660 << false << true << true;
    QTest::newRow("group may only read") << 0640 << false << true << false;
    QTest::newRow("nogroup: the real group is not known here") << 0660 << true << true << false;
    QTest::newRow("a group without a name") << 0660 << false << false << false;
}

void TestDevices::groupToJoin()
{
    QFETCH(int, mode);
    QFETCH(bool, overflowGroup);
    QFETCH(bool, named);
    QFETCH(bool, advised);
    // Root may give the file any group; anyone else, his own.
    const bool root = ::geteuid() == 0;
    if (!named && !root)
        QSKIP("needs root to give a file a group without a name");
    const struct group *users = ::getgrnam("users");
    const gid_t gid = !named ? 54321 : root ? (users ? users->gr_gid : 100) : ::getegid();
    FakeMachine machine;
    const QString device = machine.dev + "/ttyUSB0";
    machine.addNode("ttyUSB0");
    QCOMPARE(::chown(device.toLocal8Bit(), uid_t(-1), gid), 0);
    QCOMPARE(::chmod(device.toLocal8Bit(), mode_t(mode)), 0);
    QDir().mkpath(machine.proc + "/sys/kernel");
    write(machine.proc + "/sys/kernel/overflowgid",
          QByteArray::number(overflowGroup ? gid : 65534));
    const struct group *owner = ::getgrgid(gid);
    QCOMPARE(deviceGroup(device, machine.proc),
             advised && owner ? QString::fromLocal8Bit(owner->gr_name) : QString());
}

QTEST_MAIN(TestDevices)
#include "tst_devices.moc"
