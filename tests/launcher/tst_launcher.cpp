// sensor-viewer-on and sensor-viewer-demo as a user runs them: the device bound as the
// viewer's /dev/ttyS1, the refusals, and the demo starting and stopping both sides.
//
// Most cases run the scripts from a scratch folder, where a stand-in viewer beside them
// opens /dev/ttyS1, polls channel 1 and prints the frame: it proves what the namespace
// holds and that the viewer's exit status comes back. One case runs the real viewer.

#include "support/simboard.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

static const char kStandIn[] = R"(#!/bin/bash
echo "arguments: $#"
if [ -n "${STAND_IN_WAITS:-}" ]; then echo "pid $$"; exec sleep 60; fi
exec 3<>/dev/ttyS1 || exit 99
printf k >&3
head -c 2 <&3 | od -An -tx1
exit 7
)";

// Whether the process still runs (a zombie has ended).
static bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

class TestLauncher : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Runs one of the scripts in the scratch folder; QProcess kills it by its PID if a
    // check fails first.
    void start(QProcess &process, const QString &script, const QStringList &arguments,
               const QStringList &environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &setting : environment)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        process.setProcessEnvironment(env);
        process.start("/bin/bash", QStringList{path(script)} + arguments);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *script : {"sensor-viewer-on", "sensor-viewer-demo"})
            QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_SOURCE_DIR "/") + script, path(script)));
        QFile standIn(path("sensor-viewer"));
        QVERIFY(standIn.open(QIODevice::WriteOnly));
        standIn.write(kStandIn);
        QVERIFY(standIn.setPermissions(standIn.permissions() | QFile::ExeOwner));
        QVERIFY(QFile::link(SENSOR_BOARD_SIM, path("sensor-board-sim")));
        QVERIFY(QFile::link(path("missing"), path("gone")));
        QVERIFY(QDir(m_dir.path()).mkpath("empty"));
        QVERIFY(QDir(m_dir.path()).mkpath("serial/by-id"));
    }

    // The device as given: the simulator's pseudo-terminal, its --link, and a relative
    // link as udev makes under /dev/serial/by-id.
    void bindsTheDeviceAsTtyS1_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("pseudo-terminal") << "pty";
        QTest::newRow("absolute link") << "link";
        QTest::newRow("relative link") << "by-id";
    }
    void bindsTheDeviceAsTtyS1()
    {
        QFETCH(QString, given);
        const QString link = path("board");
        SimBoard board(given == "link" ? QStringList{"--link", link} : QStringList{});
        QString device = board.device();
        if (given == "by-id") {
            device = path("serial/by-id/usb-board");
            QFile::remove(device);
            QVERIFY(
                QFile::link(QDir(path("serial/by-id")).relativeFilePath(board.device()), device));
        }
        QProcess launcher;
        start(launcher, "sensor-viewer-on", {device});
        QVERIFY(launcher.waitForFinished(30000));
        QCOMPARE(launcher.readAllStandardOutput(), "arguments: 0\n 00 02\n");
        QCOMPARE(launcher.exitCode(), 7);
        QVERIFY(board.waitForLog("rx 6b"));
    }

    // The real viewer opens /dev/ttyS1 (the board sees its device opened), keeps it open,
    // and ends with the launcher. Each viewer locks the name ttyS1 in a lock directory of
    // its own, so two on two boards both open theirs, whatever COM2 lock the machine holds.
    void viewersOnTwoBoardsBothOpenTheirDevices()
    {
        SimBoard boards[2];
        QProcess launchers[2];
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        for (int i = 0; i < 2; ++i) {
            launchers[i].setProcessEnvironment(env);
            launchers[i].start(QStringLiteral(PROGRAM_DIR "/sensor-viewer-on"),
                               {boards[i].device()});
            QVERIFY(launchers[i].waitForStarted());
        }
        for (SimBoard &board : boards)
            QVERIFY(board.waitForLog("device opened", 30000));
        for (SimBoard &board : boards)
            QCOMPARE(board.waitForLog("device closed", 1500), false);
        for (QProcess &launcher : launchers) {
            QCOMPARE(launcher.state(), QProcess::Running);
            ::kill(static_cast<pid_t>(launcher.processId()), SIGTERM);
            QVERIFY(launcher.waitForFinished(10000));
        }
        for (SimBoard &board : boards)
            QVERIFY(board.waitForLog("device closed"));
    }

    void refuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");     // PATH, when not the test's own
        QTest::addColumn<QString>("expected"); // %1: the scratch folder
        QTest::addColumn<int>("status");
        QTest::newRow("missing device")
            << QStringList{"/dev/ttyUSB-absent"} << QString()
            << "sensor-viewer-on: /dev/ttyUSB-absent does not exist. Is the board plugged in? "
               "USB serial adapters appear as /dev/ttyUSB0 or /dev/ttyACM0; ls "
               "/dev/serial/by-id/ lists them by name.\n"
            << 1;
        QTest::newRow("link to nothing")
            << QStringList{"%1/gone"} << QString()
            << "sensor-viewer-on: %1/gone is a link to %1/missing, which does not exist. Is "
               "the board plugged in?\n"
            << 1;
        QTest::newRow("not a device")
            << QStringList{"%1/empty"} << QString()
            << "sensor-viewer-on: %1/empty is not a serial device (not a character "
               "device or pseudo-terminal).\n"
            << 1;
        QTest::newRow("bubblewrap missing")
            << QStringList{"/dev/null"} << "%1/empty"
            << "sensor-viewer-on: bubblewrap (bwrap) is not installed; it gives the viewer "
               "its own /dev/ttyS1. Install it with: sudo apt install bubblewrap\n"
            << 1;
    }
    void refuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QFETCH(int, status);
        arguments.replaceInStrings("%1", m_dir.path());
        expected.replace("%1", m_dir.path());
        QProcess launcher;
        start(launcher, "sensor-viewer-on", arguments,
              path.isEmpty() ? QStringList()
                             : QStringList{"PATH=" + path.replace("%1", m_dir.path())});
        QVERIFY(launcher.waitForFinished(30000));
        QCOMPARE(QString(launcher.readAllStandardError()), expected);
        QCOMPARE(launcher.exitCode(), status);
    }

    void demoStopsBothOnSigterm()
    {
        QProcess demo;
        start(demo, "sensor-viewer-demo", {}, {"STAND_IN_WAITS=1"});
        QTRY_VERIFY_WITH_TIMEOUT(demo.peek(100).count('\n') == 2, 30000);
        QCOMPARE(demo.readLine(), "arguments: 0\n");
        const qint64 viewer = demo.readLine().mid(4).trimmed().toLongLong();
        QCOMPARE(running(viewer), true);
        ::kill(static_cast<pid_t>(demo.processId()), SIGTERM);
        QVERIFY(demo.waitForFinished(10000));
        QCOMPARE(demo.exitCode(), 0);
        QVERIFY(demo.readAllStandardError().contains("\nstopped\n"));
        QTRY_COMPARE(running(viewer), false);
    }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
