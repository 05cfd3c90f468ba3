// Starting the program: Qt's own command-line options change nothing, a right-to-left
// language does not mirror the window, and where there is no display the program says so
// in one line and ends normally.

#include "support/ptyboard.h"

#include <QProcess>
#include <QtTest>

class TstStartup : public QObject
{
    Q_OBJECT
private slots:
    void windowAsDesigned_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("language");
        QTest::newRow("no arguments") << QStringList() << "C";
        QTest::newRow("-qwindowtitle") << QStringList{"-qwindowtitle", "Foo"} << "C";
        QTest::newRow("-qwindowgeometry")
            << QStringList{"-qwindowgeometry", "400x300+10+10"} << "C";
        QTest::newRow("-reverse") << QStringList{"-reverse"} << "C";
        QTest::newRow("-stylesheet") << QStringList{"-stylesheet", "STYLE"} << "C";
        QTest::newRow("-platform nosuch") << QStringList{"-platform", "nosuch"} << "C";
        // Qt's Arabic translation would turn the whole application right to left.
        QTest::newRow("Arabic, left to right") << QStringList() << "ar_EG.UTF-8";
    }
    void windowAsDesigned()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, language);
        QTemporaryFile style;
        QVERIFY(style.open());
        style.write("QWidget { background: red; }");
        style.flush();
        arguments.replaceInStrings("STYLE", style.fileName());
        // The board's pseudo-terminal as COM2, with a lock directory of the child's own.
        PtyBoard board;
        QStringList sandbox{"--die-with-parent", "--dev-bind", "/", "/", "--dev", "/dev"};
        sandbox += QStringList{"--perms", "01777", "--tmpfs", "/run/lock"};
        sandbox += QStringList{"--dev-bind", board.devicePath(), "/dev/ttyS1", "--", WINDOW_CHILD};
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", language);
        env.insert("LANGUAGE", language.left(2));
        child.setProcessEnvironment(env);
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
