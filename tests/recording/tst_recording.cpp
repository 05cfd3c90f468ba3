// The data files: their rows in both locale variants, a save of what the session holds,
// and a recording: its numbering and times, its last rows kept when it stops, what it
// will not record into, and a file renamed or removed under it. Built for Linux and for
// Windows; what only Linux shows is in tst_recording_linux.

#include "recordingtest.h"

#include "acquisition/samplestore.h"
#include "recording/savedfile.h"

class TestRecording : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("TZ", "America/Sao_Paulo"); }

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

    // Only a regular file, or a new one, is recorded into: never a folder (nor a pipe, a
    // device or a folder that does not exist: tst_recording_linux); each refusal says why,
    // as a failure to start, whatever an earlier recording wrote.
    void recordsOnlyIntoARegularFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << "." << kNotRegular;
    }
    void recordsOnlyIntoARegularFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        Recording r;
        QVERIFY(r.recorder->start(r.path));
        r.recorder->take(sample(512, 0));
        r.recorder->stop();
        QCOMPARE(refusal(r, r.folder.filePath(path)),
                 refusalMessage(r.folder.filePath(path), reason));
    }

    // Renamed while recorded, the file is followed: its rows go on into it, and its new
    // name is told.
    void aRenamedFileIsFollowed()
    {
        if (qEnvironmentVariableIsSet("UNDER_WINE"))
            QSKIP("Wine 8.0 keeps the name a file was opened by through a rename");
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
        if (qEnvironmentVariableIsSet("UNDER_WINE"))
            QSKIP("Wine 8.0 keeps a file deleted while open as it was until it is closed");
        Recording r;
        QVERIFY(r.recorder->start(r.path));
        QVERIFY(QFile::remove(r.path));
        r.recorder->take(sample(512, 0));
        QCOMPARE(r.firstFailure(),
                 "O arquivo “" + r.path
                     + "” foi apagado durante a gravação, e as linhas gravadas nele se foram "
                       "com ele. A gravação parou, e o gráfico continua. Para guardar as "
                       "próximas amostras, comece outra gravação (Ctrl+R).");
        QCOMPARE(r.recorder->isRecording(), false);
    }
};

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
