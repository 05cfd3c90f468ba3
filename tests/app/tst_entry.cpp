// The program's entry, run in its own process (entry_child) under bubblewrap, where
// COM2's device /dev/ttyS1 is the board's pseudo-terminal or missing: what a user sees
// and the exit code.

#include "support/ptyboard.h"

#include <QProcess>
#include <QtTest>

class TstEntry : public QObject
{
    Q_OBJECT

    PtyBoard m_board;

    QString m_output; // what the user saw, as the child printed it
    std::pair<QProcess::ExitStatus, int> m_exit;

    // Runs the entry where /dev/ttyS1 is the board (or nothing), in Portuguese, where
    // Qt's own translations caption the standard close button.
    void runEntry(bool boardOnCom2, bool throwAtWindow = false)
    {
        QStringList sandbox{"--die-with-parent", "--dev-bind", "/", "/", "--dev", "/dev"};
        // A lock directory of its own: Qt locks the name ttyS1 for anyone shown a COM2.
        sandbox += QStringList{"--perms", "01777", "--tmpfs", "/run/lock"};
        if (boardOnCom2)
            sandbox << "--dev-bind" << m_board.devicePath() << "/dev/ttyS1";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "pt_BR.UTF-8");
        env.insert("LANGUAGE", "pt_BR");
        if (throwAtWindow)
            env.insert("ENTRY_CHILD_THROW", "1");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start("bwrap", sandbox << "--" << ENTRY_CHILD);
        const bool finished = child.waitForFinished(30000);
        if (!finished)
            child.kill();
        m_output = QString::fromUtf8(child.readAllStandardOutput());
        m_exit = {child.exitStatus(), child.exitCode()};
        QVERIFY2(finished, qPrintable(child.errorString()));
        QVERIFY2(!m_output.isEmpty(), child.readAllStandardError().constData());
    }

private slots:
    void portMissingShowsOneBoxAndNoWindow()
    {
        runEntry(false);
        QCOMPARE(m_output,
                 "box: Não foi possível abrir a porta COM2 (/dev/ttyS1): o dispositivo não "
                 "existe. Verifique se a placa está ligada ao computador e se o nome da porta "
                 "está certo.\n");
        QCOMPARE(m_exit, std::pair(QProcess::NormalExit, 0));
    }

    void boardOnCom2ShowsWindow()
    {
        runEntry(true);
        QCOMPARE(m_output, "shown: Visualização dos dados capturados pelo sensor\n"
                           "close: Fechar\nicon: 1\n");
        QCOMPARE(m_exit, std::pair(QProcess::NormalExit, 0));
    }

    // Anything thrown that is not the program's own error shows an empty error box.
    void foreignErrorShowsEmptyBox()
    {
        runEntry(true, true);
        QCOMPARE(m_output, "box: \n");
        QCOMPARE(m_exit, std::pair(QProcess::NormalExit, 0));
    }
};

QTEST_GUILESS_MAIN(TstEntry)
#include "tst_entry.moc"
