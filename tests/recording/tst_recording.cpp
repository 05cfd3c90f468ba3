// The data files: their rows in both locale variants, a save of what the session holds,
// and a recording: its numbering and times, its last rows kept when it stops, what it
// will not record into, what stays in the file when writing fails, a file renamed or
// removed under it, and the disk made to keep each row within a second.

#include "acquisition/samplestore.h"
#include "recording/csvformat.h"
#include "recording/savedfile.h"
#include "recording/sessionrecorder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono;

// Taken at 2026-12-07 14:30:05.123 where the test runs: São Paulo, three hours behind UTC.
static Sample sample(std::uint16_t reading, qint64 steadyMs)
{
    const QDateTime wall(QDate(2026, 12, 7), QTime(14, 30, 5, 123));
    return {steadyMs * 1000000, wall.toMSecsSinceEpoch(), reading, 2};
}

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

static QByteArray header()
{
    return CsvFormat(QLocale::c()).header();
}

// A recording, into a file of a scratch folder, with what it reports.
struct Recording
{
    QTemporaryDir folder;
    const QString path = folder.filePath("dados.csv");
    std::unique_ptr<SessionRecorder> recorder = std::make_unique<SessionRecorder>(QLocale::c());
    QSignalSpy failed{recorder.get(), &SessionRecorder::failed};

    // Rows take a quarter second to be written: waits for the file to hold `bytes`.
    QByteArray fileOnceItHolds(qsizetype bytes)
    {
        (void)QTest::qWaitFor([&] { return contents(path).size() >= bytes; }, 3000);
        return contents(path);
    }
    QString firstFailure()
    {
        (void)failed.wait(3000);
        return failed.isEmpty() ? QString() : failed[0][0].toString();
    }
};

class TestRecording : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "America/Sao_Paulo");
        tzset();
    }

    // Where the decimal mark is not a comma (Pashto's), the file takes commas between
    // fields and dots in numbers; tempo_s is cut to the millisecond, not rounded.
    void rowsWhereTheDecimalMarkIsNotACommaTakeDots()
    {
        CsvFormat format{QLocale("ps_AF")};
        QByteArray text = format.header();
        format.appendRow(text, 7, sample(1023, 0), 1500999999);
        QCOMPARE(text, QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V,evento\n"
                                  "7,2026-12-07T14:30:05.123,1.500,2,1023,4.9951171875,\n"));
    }

    // A save writes every sample the session holds, numbered as in the session, so that
    // samples dropped show as a jump; tempo_s runs from the session's first sample.
    void saveWritesWhatTheSessionHolds()
    {
        SampleStore store(103); // the fixed view's 101 and the latest 2
        for (int n = 0; n < 105; ++n)
            store.append(sample(std::uint16_t(n), 1000 + n * 250));
        QTemporaryDir folder;
        const QString path = folder.filePath("dados.csv");
        QCOMPARE(saveSamples(path, store, QLocale::c()), QString());
        const QList<QByteArray> rows = contents(path).split('\n');
        QCOMPARE(rows.size(), 1 + 103 + 1);
        QCOMPARE(rows[1], "1,2026-12-07T14:30:05.123,0.000,2,0,0,");
        QCOMPARE(rows[101], "101,2026-12-07T14:30:05.123,25.000,2,100,0.48828125,");
        QCOMPARE(rows[102], "104,2026-12-07T14:30:05.123,25.750,2,103,0.5029296875,");
    }

    // Under pt_BR, ';' between fields and decimal commas. Rows count from 1 over the file;
    // tempo_s runs on the steady clock from the first row, whatever the wall clock does.
    // Stopped at once, the rows taken are all kept before the file closes.
    void recordingNumbersTimesAndKeepsItsRows()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("sessão.csv");
        QFile chosen(path); // a file the user chose to replace
        QVERIFY(chosen.open(QIODevice::WriteOnly) && chosen.write("old rows\n") && chosen.flush());
        {
            SessionRecorder recorder{QLocale(QStringLiteral("pt_BR"))};
            QVERIFY(recorder.start(path));
            for (const qint64 steadyMs : {86400000, 86400250, 86402000})
                recorder.take(sample(512, steadyMs));
            recorder.stop();
        }
        QCOMPARE(contents(path),
                 QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V;evento\n"
                            "1;2026-12-07T14:30:05.123;0,000;2;512;2,5;\n"
                            "2;2026-12-07T14:30:05.123;0,250;2;512;2,5;\n"
                            "3;2026-12-07T14:30:05.123;2,000;2;512;2,5;\n"));
    }

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

    // An event marked on the latest sample lands on its row, whether the row is still to
    // be written or already in the file (its end is written again, also for a second mark
    // on it), and every row stays whole.
    void anEventLandsOnTheLatestRowWrittenOrNot()
    {
        Recording r;
        CsvFormat format(QLocale::c());
        QVERIFY(r.recorder->start(r.path));
        r.recorder->take(sample(512, 0));
        QByteArray written = header();
        format.appendRow(written, 1, sample(512, 0), 0);
        QCOMPARE(r.fileOnceItHolds(written.size()), written);
        r.recorder->takeEvent("porta; aberta");
        written = header();
        format.appendRow(written, 1, sample(512, 0), 0, "\"porta; aberta\"");
        QCOMPARE(r.fileOnceItHolds(written.size()), written);
        r.recorder->takeEvent("porta; aberta / \"fechada\"");
        r.recorder->take(sample(512, 1000));
        r.recorder->takeEvent("b");
        r.recorder->take(sample(512, 2000));
        r.recorder.reset();
        QByteArray expected = header();
        format.appendRow(expected, 1, sample(512, 0), 0, "\"porta; aberta / \"\"fechada\"\"\"");
        format.appendRow(expected, 2, sample(512, 1000), 1000000000, "b");
        format.appendRow(expected, 3, sample(512, 2000), 2000000000);
        QCOMPARE(contents(r.path), expected);
    }

    // Only a regular file, or a new one, is recorded into: never a pipe (which would hold
    // the window until a reader came), a device or a folder; each refusal says why, as a
    // failure to start, whatever an earlier recording wrote.
    void recordsOnlyIntoARegularFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        const QString notRegular =
            "não é um arquivo comum (é uma pasta, um pipe ou um dispositivo). A gravação vai "
            "para um arquivo comum: escolha outro nome";
        QTest::newRow("a pipe without a reader") << "pipe" << notRegular;
        QTest::newRow("a device") << "/dev/null" << notRegular;
        QTest::newRow("a folder") << "." << notRegular;
        QTest::newRow("a folder that does not exist")
            << "nowhere/dados.csv"
            << "o arquivo, a pasta ou o dispositivo não existe. Escolha outro arquivo ou "
               "outra pasta";
    }
    void recordsOnlyIntoARegularFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        Recording r;
        QVERIFY(r.recorder->start(r.path));
        r.recorder->take(sample(512, 0));
        r.recorder->stop();
        QVERIFY(::mkfifo(QFile::encodeName(r.folder.filePath("pipe")).constData(), 0600) == 0);
        const QString chosen = path.startsWith('/') ? path : r.folder.filePath(path);
        QVERIFY(!r.recorder->start(chosen));
        QCOMPARE(r.failed.size(), 1);
        QCOMPARE(r.failed[0][0].toString(), "Não foi possível gravar em “" + chosen + "”: " + reason
                                                + " e tente de novo (Ctrl+R).");
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

    // Renamed while recorded, the file is followed: its rows go on into it, and its new
    // name is told.
    void aRenamedFileIsFollowed()
    {
        Recording r;
        QSignalSpy moved(r.recorder.get(), &SessionRecorder::pathChanged);
        QVERIFY(r.recorder->start(r.path));
        const QString renamed = r.folder.filePath("renomeado.csv");
        QVERIFY(QFile::rename(r.path, renamed));
        r.recorder->take(sample(512, 0));
        QVERIFY(moved.wait(3000));
        QCOMPARE(moved[0][0].toString(), renamed);
        QCOMPARE(r.recorder->path(), renamed);
        r.recorder.reset();
        QCOMPARE(contents(renamed).count('\n'), 2);
        QCOMPARE(r.failed.size(), 0);
    }

    // Removed while recorded, the file takes its rows with it: the recording stops, and
    // the box says so rather than that the rows are kept.
    void aRemovedFileStopsTheRecording()
    {
        Recording r;
        QVERIFY(r.recorder->start(r.path));
        QVERIFY(QDir(r.folder.path()).removeRecursively());
        r.recorder->take(sample(512, 0));
        QCOMPARE(r.firstFailure(),
                 "O arquivo “" + r.path
                     + "” foi apagado durante a gravação, e as linhas gravadas nele se foram "
                       "com ele. A gravação parou, e o gráfico continua. Para guardar as "
                       "próximas amostras, comece outra gravação (Ctrl+R).");
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
                                "-o", log, "-p", QString::number(getpid())});
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
        const int fd = fdOf(r.path);
        ::kill(pid_t(tracer.processId()), SIGINT); // strace detaches
        QVERIFY(tracer.waitForFinished(5000));
        const QList<TracedCall> calls = tracedCalls(contents(log), fd);
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

    // The file descriptor this process holds `path` open by.
    static int fdOf(const QString &path)
    {
        const QDir fds("/proc/self/fd");
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System))
            if (QFile::symLinkTarget(fds.filePath(fd)) == path)
                return fd.toInt();
        return -1;
    }

    // The calls on `fd` in an strace log (-f -ttt -T), in order; a call another thread's
    // cut in two is put together again.
    static QList<TracedCall> tracedCalls(const QByteArray &log, int fd)
    {
        static const QRegularExpression line(
            R"(^(\d+) +([\d.]+) (?:(\w+)\((\d+)|<\.\.\. (\w+) resumed>)(.*?)(?:= (-?\d+).*<([\d.]+)>)?$)");
        QList<TracedCall> calls;
        QHash<QByteArray, QPair<double, int>> unfinished; // by thread: the start, the fd
        for (const QByteArray &text : log.split('\n')) {
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(text));
            if (!m.hasMatch())
                continue;
            const QByteArray thread = m.captured(1).toLatin1();
            double start = m.captured(2).toDouble();
            int callFd = m.captured(4).toInt();
            if (!m.captured(5).isEmpty()) { // the rest of a call cut in two
                std::tie(start, callFd) = unfinished.take(thread);
            } else if (m.captured(7).isEmpty()) {
                unfinished.insert(thread, {start, callFd});
                continue;
            }
            if (callFd == fd)
                calls.append({(m.captured(3) + m.captured(5)).toLatin1(), start,
                              start + m.captured(8).toDouble(), m.captured(7).toLongLong()});
        }
        return calls;
    }
};

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
