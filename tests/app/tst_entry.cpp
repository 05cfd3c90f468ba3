// The program's entry, run in its own process (entry_child) under bubblewrap, where
// COM2's device /dev/ttyS1 is the board's pseudo-terminal: what a user sees and the exit
// code. Qt's own command-line options change nothing, and a right-to-left
// language does not mirror the window. Where there is no display, the program itself
// says so in one line and ends normally.

#include "support/ptyboard.h"

#include <QProcess>
#include <QtTest>

static const char kWindowAsDesigned[] = "title: Visualização dos dados capturados pelo sensor\n"
                                        "place: 289,118 875x500\n"
                                        "right to left: 0\n"
                                        "icon: 1\n";

class TstEntry : public QObject
{
    Q_OBJECT

    PtyBoard m_board;

    QString m_output; // what the user saw, as the child printed it
    std::pair<QProcess::ExitStatus, int> m_exit;

    // Runs the entry where /dev/ttyS1 is the board, in the given language.
    void runEntry(const QStringList &arguments = {}, const QString &language = "pt_BR.UTF-8",
                  bool throwAtWindow = false)
    {
        QStringList sandbox{"--die-with-parent", "--dev-bind", "/", "/", "--dev", "/dev"};
        // A lock directory of its own: Qt locks the name ttyS1 for anyone shown a COM2.
        sandbox += QStringList{"--perms", "01777", "--tmpfs", "/run/lock"};
        sandbox << "--dev-bind" << m_board.devicePath() << "/dev/ttyS1";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", language);
        env.insert("LANGUAGE", language.left(2));
        if (throwAtWindow)
            env.insert("ENTRY_CHILD_THROW", "1");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start("bwrap", sandbox << "--" << ENTRY_CHILD << arguments);
        const bool finished = child.waitForFinished(30000);
        if (!finished)
            child.kill();
        m_output = QString::fromUtf8(child.readAllStandardOutput());
        m_exit = {child.exitStatus(), child.exitCode()};
        QVERIFY2(finished, qPrintable(child.errorString()));
        QVERIFY2(!m_output.isEmpty(), child.readAllStandardError().constData());
    }

private slots:
    void windowAsDesigned_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("language");
        QTest::newRow("board on COM2") << QStringList() << "pt_BR.UTF-8";
        QTest::newRow("Qt's window options")
            << QStringList{"-qwindowtitle", "Foo", "-qwindowgeometry", "400x300+10+10", "-reverse"}
            << "pt_BR.UTF-8";
        QTest::newRow("Qt's -platform") << QStringList{"-platform", "nosuch"} << "pt_BR.UTF-8";
        // Qt's Arabic translation would turn the whole application right to left.
        QTest::newRow("Arabic, left to right") << QStringList() << "ar_EG.UTF-8";
    }
    void windowAsDesigned()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, language);
        runEntry(arguments, language);
        QCOMPARE(m_output, kWindowAsDesigned);
        QCOMPARE(m_exit, std::pair(QProcess::NormalExit, 0));
    }

    // Anything thrown that is not the program's own error shows an empty error box.
    void foreignErrorShowsEmptyBox()
    {
        runEntry({}, "pt_BR.UTF-8", true);
        QCOMPARE(m_output, "box: \n");
        QCOMPARE(m_exit, std::pair(QProcess::NormalExit, 0));
    }

    void noDisplaySaysSoAndEnds()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"})
            env.remove(name);
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

QTEST_GUILESS_MAIN(TstEntry)
#include "tst_entry.moc"
