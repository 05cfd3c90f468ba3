// What the machine's /dev, sysfs and procfs say about its serial devices, over trees of
// the tests' own: the devices worth offering, what a path given as the port is, and whose
// group may use a device.
//
//   adaptersWithoutUdevAreFoundByTheirNodes, builtInPortsCountOnlyWithAUartBehind,
//   theConsoleIsNeverOffered: the devices offered (an adapter named by its maker, product
//   and serial number, reached by its by-id link, is the chooser's test)
//   aTtyIsASerialLineOnlyWithItsDriversDevice: what a path given as the port is
//   theGroupToJoinIsOneKnownHere: the group a user may join to use a device

#include "devices/serialdevices.h"
#include "support/fakemachine.h"
#include "support/ptyboard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

class TestDevices : public QObject
{
    Q_OBJECT
private slots:
    void adaptersWithoutUdevAreFoundByTheirNodes();
    void builtInPortsCountOnlyWithAUartBehind();
    void theConsoleIsNeverOffered_data();
    void theConsoleIsNeverOffered();
    void aTtyIsASerialLineOnlyWithItsDriversDevice();
    void theGroupToJoinIsOneKnownHere();
    void aDeviceIsNamedAsTheSystemKnowsIt();
};

void TestDevices::adaptersWithoutUdevAreFoundByTheirNodes()
{
    FakeMachine machine; // no sysfs entries: a container's private /dev
    machine.addNode("ttyUSB10");
    machine.addNode("ttyUSB2");
    machine.addNode("ttyACM0");
    machine.addLink("usb-Simulated_board_1-if00", "../../ttyACM0");
    machine.addLink("usb-Prolific_gone-if00-port0", "../../ttyUSB7"); // unplugged since

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

// /dev/tty, /dev/console, the virtual consoles and ptmx are ttys with no driver's device.
void TestDevices::aTtyIsASerialLineOnlyWithItsDriversDevice()
{
    FakeMachine machine;
    PtyBoard node; // a device number the fake sysfs says what it likes about
    const QString entry = machine.charEntry(node.devicePath());
    QDir().mkpath(entry);
    QFile::link(machine.sys + "/class/tty", entry + "/subsystem");
    QCOMPARE(lineKind(node.devicePath(), machine.roots()), LineKind::TerminalNotLine);
    QDir().mkpath(entry + "/device");
    QCOMPARE(lineKind(node.devicePath(), machine.roots()), LineKind::SerialLine);
}

void TestDevices::theGroupToJoinIsOneKnownHere()
{
    // Root may give the device any group; anyone else, his own.
    const struct group *owner = ::getgrgid(::getegid() != 0 ? ::getegid() : 100);
    QVERIFY(owner);
    FakeMachine machine;
    machine.addNode("ttyUSB0");
    const QByteArray device = (machine.dev + "/ttyUSB0").toLocal8Bit();
    QCOMPARE(::chown(device, uid_t(-1), owner->gr_gid) + ::chmod(device, 0660), 0);
    QCOMPARE(deviceGroup(device, machine.proc), QString::fromLocal8Bit(owner->gr_name));
    // In a user namespace, a group not mapped into it shows as the overflow group.
    QDir().mkpath(machine.proc + "/sys/kernel");
    QFile overflow(machine.proc + "/sys/kernel/overflowgid");
    QVERIFY(overflow.open(QIODevice::WriteOnly));
    overflow.write(QByteArray::number(owner->gr_gid) + "\n");
    overflow.close();
    QCOMPARE(deviceGroup(device, machine.proc), QString());
}

QTEST_MAIN(TestDevices)
// Whatever node or link leads to it (the launcher shows the user's device as /dev/ttyS1).
void TestDevices::aDeviceIsNamedAsTheSystemKnowsIt()
{
    PtyBoard board;
    QTemporaryDir dir;
    QFile::link(board.devicePath(), dir.filePath("ttyS1"));
    QCOMPARE(deviceKnownAs(dir.filePath("ttyS1")), board.devicePath());
    FakeMachine machine;
    machine.plugAdapter("ttyUSB0", FakeMachine::kFtdi, {}, board.devicePath());
    MachineRoots roots = machine.roots();
    roots.dev = QStringLiteral("/dev");
    QCOMPARE(deviceKnownAs(dir.filePath("ttyS1"), roots), "/dev/ttyUSB0");
}

#include "tst_devices.moc"
