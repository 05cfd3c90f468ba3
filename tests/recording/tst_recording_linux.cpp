// What only Linux shows here: a saved event's text read back by Python's csv module; no
// recording into a pipe or a device; whole rows left when the file's size limit cuts a
// write short; and the disk made to keep each row within a second, as a tracer sees the
// system calls.

#include "recordingtest.h"

#include "acquisition/samplestore.h"
#include "recording/savedfile.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class TestRecordingLinux : public QObject
{
    Q_OBJECT
private slots:
    // An event's text with a separator, a quote and a line break stays in its row's last
    // field, as Python's csv module reads the file back: the line break as a space, so that
    // a row is a line. Rows without an event have that field empty.
    void eventTextsNeverBreakARow()
    {
        SampleStore store;
        for (int n = 0; n < 3; ++n)
            store.append(sample(512, n * 1000));
        store.markEvent(0, "aquecedor; ligado");
        store.markEvent(2, "disse \"pare\", e\nparou");
        QTemporaryDir folder;
        const QString path = folder.filePath("dados.csv");
        QCOMPARE(saveSamples(path, store, QLocale(QStringLiteral("pt_BR"))), QString());
        QProcess python;
        python.start("python3", {"-c",
                                 "import csv, sys\n"
                                 "for row in csv.reader(open(sys.argv[1], newline=''), "
                                 "delimiter=';'): print(len(row), row[-1])",
                                 path});
        QVERIFY(python.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).split('\n'),
                 QStringList(
                     {"7 evento", "7 aquecedor; ligado", "7 ", "7 disse \"pare\", e parou", ""}));
    }

    // Nor a pipe (which would hold the window until a reader came) or a device; and a
    // folder that is not there is named as Linux names it.
    void recordsIntoNoPipeOrDevice_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a pipe without a reader") << "pipe" << kNotRegular;
        QTest::newRow("a device") << "/dev/null" << kNotRegular;
        QTest::newRow("a folder that does not exist")
            << "nowhere/dados.csv"
            << "o arquivo, a pasta ou o dispositivo não existe. Escolha outro arquivo ou "
               "outra pasta";
    }
    void recordsIntoNoPipeOrDevice()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        Recording r;
        QVERIFY(::mkfifo(QFile::encodeName(r.folder.filePath("pipe")).constData(), 0600) == 0);
        const QString chosen = path.startsWith('/') ? path : r.folder.filePath(path);
        QCOMPARE(refusal(r, chosen), refusalMessage(chosen, reason));
    }

    // The file may take only part of a batch (the disk filling, here its size limit): the
    // rows cut short go, and the whole rows before them stay.
    void aWriteCutShortLeavesOnlyWholeRows()
    {
        Recording r;
        QVERIFY(r.recorder->start(r.path));
        QByteArray expected = r.fileOnceItHolds(header().size());
        for (int row = 1; row <= 2; ++row)
            CsvFormat(QLocale::c()).appendRow(expected, row, sample(512, 0), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full = limit;
        limit.rlim_cur = rlim_t(expected.size() + 10); // the third row's first bytes
        setrlimit(RLIMIT_FSIZE, &limit);
        for (int row = 1; row <= 5; ++row)
            r.recorder->take(sample(512, 0));
        const QString failure = r.firstFailure();
        setrlimit(RLIMIT_FSIZE, &full);
        QCOMPARE(contents(r.path), expected);
        QCOMPARE(failure, "A gravação em “" + r.path
                              + "” parou: o arquivo chegou ao maior tamanho permitido. As linhas "
                                "já gravadas estão completas no arquivo, e o gráfico continua. "
                                "Comece outra gravação, em outro arquivo (Ctrl+R).");
        QCOMPARE(r.recorder->isRecording(), false);
    }

    // Through a power cut the file holds every row up to about a second before: each row
    // taken (one every 20 ms for 2.5 s) is on the disk within 1.2 s, that is, a write
    // holding it and then an fdatasync of the file have ended, as the system reports them
    // to a tracer.
    void everyRowReachesTheDiskWithinASecond()
    {
        Recording r;
        const QString log = r.folder.filePath("trace");
        QProcess tracer;
        tracer.start("strace", {"-f", "-qq", "-ttt", "-T", "-s", "0", "-e", "trace=write,fdatasync",
                                "-P", r.path, "-o", log, "-p", QString::number(getpid())});
        QVERIFY(tracer.waitForStarted());
        QTest::qWait(1000); // attached to every thread
        QVERIFY(r.recorder->start(r.path));
        QList<double> taken; // when each row was taken, seconds since the epoch
        for (int row = 0; row < 125; ++row) {
            taken << QDateTime::currentMSecsSinceEpoch() / 1000.0;
            r.recorder->take(sample(512, row * 20));
            QTest::qWait(20);
        }
        QTest::qWait(1500);
        ::kill(pid_t(tracer.processId()), SIGINT); // strace detaches
        QVERIFY(tracer.waitForFinished(5000));
        const QList<TracedCall> calls = tracedCalls(contents(log));
        // Where each row ends in the file, and when the write that held it ended.
        const QList<QByteArray> lines = contents(r.path).split('\n');
        QCOMPARE(lines.size(), 1 + taken.size() + 1);
        qint64 rowEnd = lines[0].size() + 1;
        qint64 written = 0;
        double writeEnd = 0;
        QList<int> late;
        for (int row = 0; row < taken.size(); ++row) {
            rowEnd += lines[row + 1].size() + 1;
            auto call = calls.begin();
            for (written = 0; call != calls.end() && written < rowEnd; ++call)
                if (call->name == "write")
                    written += call->result, writeEnd = call->end;
            while (call != calls.end() && !(call->name == "fdatasync" && call->start >= writeEnd))
                ++call;
            if (call == calls.end() || call->end > taken[row] + 1.2)
                late << row;
        }
        QCOMPARE(late, QList<int>());
    }

private:
    struct TracedCall
    {
        QByteArray name;
        double start;
        double end;
        qint64 result;
    };

    // The calls in an strace log (-ttt -T), in order: only the recording's thread makes
    // them, so none is cut in two by another's.
    static QList<TracedCall> tracedCalls(const QByteArray &log)
    {
        static const QRegularExpression line(R"(^\d+ +([\d.]+) (\w+)\(.*= (-?\d+).*<([\d.]+)>$)");
        QList<TracedCall> calls;
        for (const QByteArray &text : log.split('\n')) {
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(text));
            if (m.hasMatch())
                calls.append({m.captured(2).toLatin1(), m.captured(1).toDouble(),
                              m.captured(1).toDouble() + m.captured(4).toDouble(),
                              m.captured(3).toLongLong()});
        }
        return calls;
    }
};

QTEST_GUILESS_MAIN(TestRecordingLinux)
#include "tst_recording_linux.moc"
