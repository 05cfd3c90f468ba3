// The program's entry, run in its own process (entry_child): what a user sees when the
// board's port is missing, when it is there, and that the arguments change nothing.

#include "linkerrors.h"
#include "ptyboard.h"

#include <QProcess>
#include <QtTest>

class TstEntry : public QObject
{
    Q_OBJECT
private slots:
    void missingPort_data();
    void missingPort();
    void presentPort_data();
    void presentPort();
};

namespace {

// A child process and the lines it has printed so far.
class Child
{
public:
    Child(const QString &port, const QStringList &arguments, const QString &lang = "C.UTF-8")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SENSOR_VIEWER_TEST_PORT", port);
        env.insert("LANG", lang);
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        env.remove("LANGUAGE");
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ENTRY_CHILD), arguments);
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QStringList lines(const QString &prefix)
    {
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        QStringList found;
        for (const QString &line : m_output.split('\n'))
            if (line.startsWith(prefix))
                found << line.mid(prefix.size());
        return found;
    }
    void command(const QByteArray &line) { m_process.write(line + '\n'); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_output;
};

} // namespace

void TstEntry::missingPort_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no arguments") << QStringList();
    QTest::newRow("arguments are ignored") << QStringList({"COM1", "--port=/dev/ttyS0", "-v"});
}

void TstEntry::missingPort()
{
    QFETCH(QStringList, arguments);
    Child child(QStringLiteral("COM200"), arguments);
    QTRY_COMPARE_WITH_TIMEOUT(child.lines("box: ").size(), 1, 10000);
    child.command("dismiss");
    QVERIFY(child.process().waitForFinished(10000));

    // One box with the link's own message, naming the port and its device; no window.
    const QString expected = openFailureMessage("COM200", OpenFailure::Missing, QString());
    QCOMPARE(child.lines("box: "), QStringList(QString(expected).replace('\n', "\\n")));
    QVERIFY(expected.contains("COM200") && expected.contains("/dev/ttyS199"));
    QVERIFY(child.lines("shown: ").isEmpty());
    QCOMPARE(child.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.process().exitCode(), 0);
}

void TstEntry::presentPort_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("closeText");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("English") << "C.UTF-8"
                             << "Close" << QStringList();
    // Qt's own translations give the standard button its Portuguese caption.
    QTest::newRow("Portuguese, with arguments") << "pt_BR.UTF-8"
                                                << "Fechar" << QStringList({"COM1", "extra"});
}

void TstEntry::presentPort()
{
    QFETCH(QString, lang);
    QFETCH(QString, closeText);
    QFETCH(QStringList, arguments);
    PtyBoard board;
    QVERIFY(board.isValid());
    Child child(board.devicePath(), arguments, lang);
    QTRY_COMPARE_WITH_TIMEOUT(child.lines("icon: ").size(), 1, 10000);
    QCOMPARE(child.lines("shown: "),
             QStringList(QStringLiteral("Visualização dos dados capturados pelo sensor")));
    QCOMPARE(child.lines("close: "), QStringList(closeText));
    QCOMPARE(child.lines("icon: "), QStringList("1"));

    child.command("close");
    QVERIFY(child.process().waitForFinished(10000));
    QVERIFY(child.lines("box: ").isEmpty());
    QCOMPARE(child.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.process().exitCode(), 0);
}

QTEST_GUILESS_MAIN(TstEntry)
#include "tst_entry.moc"
