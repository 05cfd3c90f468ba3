// The program's entry, run in its own process (entry_child): what a user sees when the
// board's port is missing and when it is there, and that the arguments change nothing.

#include "linkerrors.h"
#include "ptyboard.h"

#include <QProcess>
#include <QtTest>

class TstEntry : public QObject
{
    Q_OBJECT
private slots:
    void run_data();
    void run();
};

void TstEntry::run_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("closeText");
    QTest::addColumn<QStringList>("arguments");
    const QStringList none;
    const QStringList some{"COM1", "--port=/dev/ttyS0", "-v"};
    QTest::newRow("missing port") << false << "C.UTF-8" << QString() << none;
    QTest::newRow("missing port, arguments ignored") << false << "C.UTF-8" << QString() << some;
    QTest::newRow("port there") << true << "C.UTF-8"
                                << "Close" << none;
    // Qt's own translations give the standard button its Portuguese caption.
    QTest::newRow("port there, Portuguese, arguments ignored") << true << "pt_BR.UTF-8"
                                                               << "Fechar" << some;
}

void TstEntry::run()
{
    QFETCH(bool, present);
    QFETCH(QString, lang);
    QFETCH(QString, closeText);
    QFETCH(QStringList, arguments);
    PtyBoard board;
    QVERIFY(board.isValid());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SENSOR_VIEWER_TEST_PORT", present ? board.devicePath() : "COM200");
    env.insert("LANG", lang);
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        env.remove(name);
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(ENTRY_CHILD), arguments);
    QVERIFY(child.waitForFinished(30000));

    // A missing port: one box with the link's own message, and no window.
    const QStringList expected =
        present ? QStringList{"shown: Visualização dos dados capturados pelo sensor",
                              "close: " + closeText, "icon: 1"}
                : QStringList{"box: "
                              + openFailureMessage("COM200", OpenFailure::Missing, QString())
                                    .replace('\n', "\\n")};
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
             expected);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TstEntry)
#include "tst_entry.moc"
