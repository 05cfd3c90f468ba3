// The program's entry, run in its own process (entry_child): what a user sees when the
// board's port is missing and when it is there, and that the arguments change nothing.

#include "link/linkerrors.h"
#include "support/ptyboard.h"

#include <QProcess>
#include <QtTest>

class TstEntry : public QObject
{
    Q_OBJECT
private slots:
    void run_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QStringList>("arguments");
        const QStringList some{"COM1", "--port=/dev/ttyS0", "-v"};
        QTest::newRow("missing port") << false << QStringList();
        QTest::newRow("missing port, arguments ignored") << false << some;
        QTest::newRow("port there") << true << QStringList();
        QTest::newRow("port there, arguments ignored") << true << some;
    }
    void run()
    {
        QFETCH(bool, present);
        QFETCH(QStringList, arguments);
        PtyBoard board;
        // In Portuguese, where Qt's own translations caption the standard close button.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SENSOR_VIEWER_TEST_PORT", present ? board.devicePath() : "COM200");
        env.insert("LC_ALL", "pt_BR.UTF-8");
        env.insert("LANGUAGE", "pt_BR");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QStringLiteral(ENTRY_CHILD), arguments);
        QVERIFY(child.waitForFinished(30000));
        // A missing port: one box with the link's own message, and no window.
        const QString box = "box: " + openFailureMessage("COM200", OpenFailure::Missing, {}) + '\n';
        const QString shown =
            "shown: Visualização dos dados capturados pelo sensor\nclose: Fechar\nicon: 1\n";
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), present ? shown : box);
        QCOMPARE(std::pair(child.exitStatus(), child.exitCode()),
                 std::pair(QProcess::NormalExit, 0));
    }
};

QTEST_GUILESS_MAIN(TstEntry)
#include "tst_entry.moc"
