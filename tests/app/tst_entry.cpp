// The program's entry, run in its own process (entry_child) by the launcher beside the
// program, where COM2's device /dev/ttyS1 is the board's pseudo-terminal: what a user sees
// and the exit code. Qt's own command-line options change nothing, and a right-to-left
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

    struct Run
    {
        QString output; // what the user saw, as the child printed it
        std::pair<QProcess::ExitStatus, int> exit;
    };

    // Runs the entry as sensor-viewer-on runs the program, on the board, in the given
    // language: a copy of the launcher finds a stand-in "sensor-viewer" beside it, which
    // starts the entry with these arguments.
    Run runEntry(const QStringList &arguments, const QString &language)
    {
        QTemporaryDir dir;
        QFile::copy(LAUNCHER, dir.filePath("sensor-viewer-on"));
        QFile standIn(dir.filePath("sensor-viewer"));
        standIn.open(QIODevice::WriteOnly);
        standIn.write("#!/bin/sh\nexec '" ENTRY_CHILD "' " + arguments.join(' ').toUtf8() + "\n");
        standIn.close();
        standIn.setPermissions(standIn.permissions() | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", language);
        env.insert("LANGUAGE", language.left(2));
        QProcess child;
        child.setProcessEnvironment(env);
        child.start("bash", {dir.filePath("sensor-viewer-on"), m_board.devicePath()});
        if (!child.waitForFinished(30000))
            child.kill();
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        return {output.isEmpty() ? "(nothing) " + child.readAllStandardError() : output,
                {child.exitStatus(), child.exitCode()}};
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
        const Run run = runEntry(arguments, language);
        QCOMPARE(run.output, kWindowAsDesigned);
        QCOMPARE(run.exit, std::pair(QProcess::NormalExit, 0));
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
