// The data files: their rows in both locale variants, the recording's numbering and times,
// and what stays in the file when writing fails.

#include "recording/csvformat.h"
#include "recording/sessionrecorder.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// Taken at 2026-12-07 14:30:05.123 where the test runs: São Paulo, three hours behind UTC.
static SampleRecord sample(std::uint16_t reading, qint64 steadyMs)
{
    const QDateTime wall(QDate(2026, 12, 7), QTime(14, 30, 5, 123));
    return {wall.toMSecsSinceEpoch(), steadyMs * 1000000, reading, 2};
}

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A recording, into a file of a scratch folder unless told another, with what it reports.
struct Recording
{
    QTemporaryDir folder;
    const QString path = folder.filePath("dados.csv");
    SessionRecorder recorder{QLocale::c()};
    QSignalSpy failed{&recorder, &SessionRecorder::failed};
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
        QCOMPARE(text, QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V\n"
                                  "7,2026-12-07T14:30:05.123,1.500,2,1023,4.9951171875\n"));
    }

    // Under pt_BR, ';' between fields and decimal commas. Rows count from 1 over the file;
    // tempo_s runs on the steady clock from the first row, whatever the wall clock does.
    void recordingNumbersAndTimesItsRows()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("sessão.csv");
        QFile chosen(path); // a file the user chose to replace
        QVERIFY(chosen.open(QIODevice::WriteOnly) && chosen.write("old rows\n") && chosen.flush());
        SessionRecorder recorder{QLocale(QStringLiteral("pt_BR"))};
        QVERIFY(recorder.start(path));
        for (const qint64 steadyMs : {86400000, 86400250, 86402000})
            recorder.add(sample(512, steadyMs));
        recorder.stop();
        QCOMPARE(contents(path), QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V\n"
                                            "1;2026-12-07T14:30:05.123;0,000;2;512;2,5\n"
                                            "2;2026-12-07T14:30:05.123;0,250;2;512;2,5\n"
                                            "3;2026-12-07T14:30:05.123;2,000;2;512;2,5\n"));
    }

    // Beyond its bound the log drops its oldest samples, and gives the rest oldest first.
    void samplesKeptForSavingAreTheLatest()
    {
        SampleLog log(3);
        for (std::uint16_t reading = 1; reading <= 5; ++reading)
            log.append(sample(reading, 0));
        QList<int> kept;
        for (const SampleRecord &record : log.samples())
            kept << record.reading;
        QCOMPARE(kept, QList<int>({3, 4, 5}));
    }

    void aFullDiskIsToldOnce()
    {
        Recording r;
        QVERIFY(!r.recorder.start(QStringLiteral("/dev/full")));
        QCOMPARE(r.failed.size(), 1);
        QCOMPARE(
            r.failed[0][0].toString(),
            QStringLiteral(
                "Não foi possível gravar em “/dev/full”: o disco está cheio. Escolha outro arquivo "
                "ou outra pasta e tente de novo (Ctrl+R)."));
        r.recorder.add(sample(1, 0));
        r.recorder.flush();
        QCOMPARE(r.failed.size(), 1);
    }

    // The file may take only part of a batch (the disk filling, here its size limit): the
    // rows cut short go, and the whole rows before them stay.
    void aWriteCutShortLeavesOnlyWholeRows()
    {
        Recording r;
        QVERIFY(r.recorder.start(r.path));
        QByteArray expected = contents(r.path);
        for (int row = 1; row <= 2; ++row)
            CsvFormat(QLocale::c()).appendRow(expected, row, sample(512, 0), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full = limit;
        limit.rlim_cur = rlim_t(expected.size() + 10); // the third row's first bytes
        setrlimit(RLIMIT_FSIZE, &limit);
        for (int row = 1; row <= 5; ++row)
            r.recorder.add(sample(512, 0));
        r.recorder.flush();
        setrlimit(RLIMIT_FSIZE, &full);
        QCOMPARE(contents(r.path), expected);
        QCOMPARE(r.failed.size(), 1);
        QVERIFY2(r.failed[0][0].toString().contains("o arquivo chegou ao maior tamanho permitido"),
                 qPrintable(r.failed[0][0].toString()));
    }

    void aRemovedFolderStopsTheRecording()
    {
        Recording r;
        QVERIFY(r.recorder.start(r.path));
        QVERIFY(QDir(r.folder.path()).removeRecursively());
        r.recorder.add(sample(512, 0));
        QVERIFY(r.failed.wait(2000));
        QCOMPARE(
            r.failed[0][0].toString(),
            "A gravação em “" + r.path
                + "” parou: o arquivo, a pasta ou o dispositivo não existe. As linhas já gravadas "
                  "estão completas no arquivo, e o "
                  "gráfico continua. Libere espaço ou escolha outra pasta e comece outra gravação "
                  "(Ctrl+R).");
        QVERIFY(!r.recorder.isRecording());
    }
};

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
