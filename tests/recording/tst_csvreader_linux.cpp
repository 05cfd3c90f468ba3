// Reading a data file back where only Linux shows it: a local time the clock skipped, in
// São Paulo as TZ names it; a file the disk can't read; and what LibreOffice Calc itself
// re-saved, run here as a user in each locale would.

#include "csvreadertest.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <unistd.h>

// The file of the session re-saved by LibreOffice Calc under `locale`, read and written with
// those filter options; empty if it could not be. Calc runs in a session of its own, ended
// whole if it outlives its time.
static QString resavedByCalc(const QString &file, const QString &profile, const QString &locale,
                             const QString &readAs, const QString &writeAs)
{
    const QString folder = profile + "/out";
    QProcess soffice;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", locale);
    environment.insert("HOME", profile);
    soffice.setProcessEnvironment(environment);
    soffice.setChildProcessModifier([] { ::setsid(); });
    const QString filter = "Text - txt - csv (StarCalc):";
    soffice.start("soffice", {"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(),
                              "--headless", "--infilter=" + filter + readAs, "--convert-to",
                              "csv:" + filter + writeAs, "--outdir", folder, file});
    if (!soffice.waitForFinished(90000)) {
        ::kill(-pid_t(soffice.processId()), SIGKILL);
        soffice.waitForFinished();
        return {};
    }
    const QString resaved = folder + "/" + QFileInfo(file).fileName();
    return soffice.exitCode() == 0 && QFileInfo::exists(resaved) ? resaved : QString();
}

class TestCsvReaderLinux : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "America/Sao_Paulo");
        tzset();
    }

    // A time of day the clock skipped (São Paulo, 4 November 2018: midnight was 1 am), as
    // in a file written in another zone, reads with the offset before the change.
    void readsATimeTheClockSkipped()
    {
        const RecordingRead read = readText("amostra;instante;tempo_s;canal;leitura;tensao_V\n"
                                            "1;2018-11-04T00:30:00.000;0,000;2;512;2,5\n");
        QCOMPARE(read.samples.size(), std::size_t(1));
        QCOMPARE(read.samples[0].wallMs,
                 QDateTime(QDate(2018, 11, 4), QTime(3, 30), Qt::UTC).toMSecsSinceEpoch());
    }

    // A file the disk can't read is refused, with the reason.
    void refusesAFileTheDiskCannotRead()
    {
        QCOMPARE(readRecording("/proc/self/mem").refusal, "erro de entrada e saída no dispositivo");
    }

    // The session's file, re-saved by LibreOffice Calc as a user in each locale would,
    // opens with the same samples and events.
    void readsWhatLibreOfficeResaved_data()
    {
        QTest::addColumn<QString>("writer");  // the program's locale
        QTest::addColumn<QString>("locale");  // Calc's
        QTest::addColumn<QString>("readAs");  // separator, quote, UTF-8, first line, language
        QTest::addColumn<QString>("writeAs"); // ... quote all text, as shown
        const QString pt = "59,34,76,1,,1046,false,true";
        const QString us = "44,34,76,1,,1033,false,true";
        QTest::newRow("pt_BR file, Calc in pt_BR, every text quoted")
            << "pt_BR"
            << "pt_BR.UTF-8" << pt << "59,34,76,1,,1046,true,true,true";
        QTest::newRow("en_US file, Calc in en_US")
            << "en_US"
            << "en_US.UTF-8" << us << "44,34,76,1,,1033,false,true,true";
        QTest::newRow("pt_BR file, Calc in en_US")
            << "pt_BR"
            << "en_US.UTF-8" << pt << "44,34,76,1,,1033,false,true,true";
        QTest::newRow("en_US file, Calc in pt_BR with commas")
            << "en_US"
            << "pt_BR.UTF-8" << us << "44,34,76,1,,1046,false,true,true";
    }
    void readsWhatLibreOfficeResaved()
    {
        QFETCH(QString, writer);
        QFETCH(QString, locale);
        QFETCH(QString, readAs);
        QFETCH(QString, writeAs);
        QVERIFY2(!QStandardPaths::findExecutable("soffice").isEmpty(),
                 "soffice is missing: scripts/deps.sh installs libreoffice-calc-nogui");
        QTemporaryDir folder;
        const QString path = folder.filePath("dados.csv");
        QFile file(path);
        const QByteArray text = writtenFile(QLocale(writer), true);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        const QString resaved =
            resavedByCalc(path, folder.filePath("calc"), locale, readAs, writeAs);
        QVERIFY(!resaved.isEmpty());
        const RecordingRead read = readRecording(resaved);
        QCOMPARE(read.refusal, QString());
        QCOMPARE(described(read.samples), described(session()));
        QCOMPARE(described(read.events), described(sessionEvents()));
        QCOMPARE(read.skippedRows, std::int64_t(0));
    }
};

QTEST_GUILESS_MAIN(TestCsvReaderLinux)
#include "tst_csvreader_linux.moc"
