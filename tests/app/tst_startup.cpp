// Starting the program: Qt's own command-line options change nothing, and where there is
// no display the program says so in one line and ends normally.

#include "support/ptyboard.h"

#include <QProcess>
#include <QtTest>

class TstStartup : public QObject
{
    Q_OBJECT
private slots:
    void argumentsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no arguments") << QStringList();
        QTest::newRow("-qwindowtitle") << QStringList{"-qwindowtitle", "Foo"};
        QTest::newRow("-qwindowgeometry") << QStringList{"-qwindowgeometry", "400x300+10+10"};
        QTest::newRow("-reverse") << QStringList{"-reverse"};
        QTest::newRow("-stylesheet") << QStringList{"-stylesheet", "STYLE"};
        QTest::newRow("-platform nosuch") << QStringList{"-platform", "nosuch"};
    }
    void argumentsChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QTemporaryFile style;
        QVERIFY(style.open());
        style.write("QWidget { background: red; }");
        style.flush();
        arguments.replaceInStrings("STYLE", style.fileName());
        // The board's pseudo-terminal as COM2, with a lock directory of the child's own.
        PtyBoard board;
        const QStringList sandbox{"--die-with-parent",
                                  "--dev-bind",
                                  "/",
                                  "/",
                                  "--dev",
                                  "/dev",
                                  "--perms",
                                  "01777",
                                  "--tmpfs",
                                  "/run/lock",
                                  "--dev-bind",
                                  board.devicePath(),
                                  "/dev/ttyS1",
                                  "--",
                                  WINDOW_CHILD};
        QProcess child;
        child.start("bwrap", sandbox + arguments);
        if (!child.waitForFinished(30000))
            child.kill();
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
                 "title: Visualização dos dados capturados pelo sensor\n"
                 "place: 289,118 875x500\n"
                 "right to left: 0\n"
                 "style sheet: \n");
        QCOMPARE(std::pair(child.exitStatus(), child.exitCode()),
                 std::pair(QProcess::NormalExit, 0));
    }

    void noDisplay_data()
    {
        QTest::addColumn<QString>("display");
        QTest::newRow("DISPLAY unset") << QString();
        QTest::newRow("DISPLAY names no server") << ":987";
    }
    void noDisplay()
    {
        QFETCH(QString, display);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"})
            env.remove(name);
        if (!display.isEmpty())
            env.insert("DISPLAY", display);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(PROGRAM));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(program.readAllStandardError()),
                 "sensor-viewer: nenhuma tela (display) encontrada. É um programa de área de "
                 "trabalho: inicie-o em uma sessão gráfica.\n");
        QCOMPARE(std::pair(program.exitStatus(), program.exitCode()),
                 std::pair(QProcess::NormalExit, 0));
    }
};

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
