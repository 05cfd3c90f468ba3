// Reading a data file back: both dialects as the program writes them, with and without the
// evento column; rows that can't be read, skipped and counted; files as spreadsheets
// re-save them, by hand and through LibreOffice itself; and the files it refuses.

#include "recording/csvformat.h"
#include "recording/csvreader.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <unistd.h>

using Events = std::vector<std::pair<std::size_t, QString>>;

static qint64 localMs(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::LocalTime).toMSecsSinceEpoch();
}

static const QDate kDay(2026, 12, 7);
// An event holding both separators, a quote and a line break.
static const QString kEvent = QStringLiteral("Aquecedor ligado; 50 °C, \"forte\"\nsegunda linha");

// A session: a row before the first poll (no channel), readings from 0 to 1023, a day long.
static std::vector<Sample> session()
{
    return {{0, localMs(kDay, QTime(14, 30, 5, 123)), 512, 0},
            {1001000000, localMs(kDay, QTime(14, 30, 6, 124)), 614, 2},
            {86399999000000, localMs(kDay.addDays(1), QTime(14, 30, 5, 122)), 1023, 5},
            {86400000000000, localMs(kDay.addDays(1), QTime(14, 30, 5, 123)), 0, 1}};
}
static Events sessionEvents()
{
    return {{1, kEvent}, {3, QStringLiteral("Evento 2")}};
}

// The session's file as the program writes it under `locale`, or wrote it before the
// evento column; the event quoted as RFC 4180 has it, its line break kept (a spreadsheet
// may write one).
static QByteArray writtenFile(const QLocale &locale, bool evento)
{
    CsvFormat format(locale);
    const QByteArray separator(1, format.separator());
    QByteArray text = format.header();
    if (!evento) // as files were written before the column
        text.replace(separator + "evento", "");
    const std::vector<Sample> samples = session();
    const Events events = sessionEvents();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        format.appendRow(text, qint64(i) + 1, samples[i], samples[i].steadyNs);
        text.chop(2); // the empty evento and the line's end: the event is written here
        QByteArray event;
        for (const auto &[index, eventText] : events)
            if (index == i)
                event = eventText.toUtf8();
        if (event.contains(format.separator()) || event.contains('"') || event.contains('\n'))
            event = '"' + event.replace("\"", "\"\"") + '"';
        text += (evento ? separator + event : QByteArray()) + '\n';
    }
    return text;
}

static RecordingRead readText(QByteArray text)
{
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    return readRecording(buffer);
}

static QStringList described(const std::vector<Sample> &samples)
{
    QStringList rows;
    for (const Sample &s : samples)
        rows << QStringLiteral("%1 ns, %2 ms, reading %3, channel %4")
                    .arg(s.steadyNs)
                    .arg(s.wallMs)
                    .arg(s.reading)
                    .arg(s.channel);
    return rows;
}
static QStringList described(const Events &events)
{
    QStringList rows;
    for (const auto &[index, text] : events)
        rows << QStringLiteral("%1: %2").arg(index).arg(text);
    return rows;
}

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

class TestCsvReader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "America/Sao_Paulo");
        tzset();
    }

    // What the program writes reads back as the samples and events written, whatever this
    // machine's locale: ';' and decimal commas where the locale has them, ',' and dots
    // elsewhere; files from before the evento column too.
    void readsTheFileAsWritten_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("evento");
        QTest::newRow("pt_BR, with evento") << "pt_BR" << true;
        QTest::newRow("pt_BR, without evento") << "pt_BR" << false;
        QTest::newRow("en_US, with evento") << "en_US" << true;
        QTest::newRow("en_US, without evento") << "en_US" << false;
    }
    void readsTheFileAsWritten()
    {
        QFETCH(QString, locale);
        QFETCH(bool, evento);
        const RecordingRead read = readText(writtenFile(QLocale(locale), evento));
        QCOMPARE(read.refusal, QString());
        QCOMPARE(described(read.samples), described(session()));
        QCOMPARE(described(read.events), evento ? described(sessionEvents()) : QStringList());
        QCOMPARE(read.skippedRows, std::int64_t(0));
    }

    // A row that can't be read, or that would mislead, is skipped and counted, with its
    // line in the file (the event above it spans two); the rows around it are kept.
    void skipsARowThatCannotBeRead_data()
    {
        QTest::addColumn<QByteArray>("row");
        const QByteArray instant = "3;2026-12-07T14:30:07.125;";
        // Its volts as the board's 10 bits would have them.
        QTest::newRow("a reading above 1023") << instant + "2,002;2;1024;0;";
        QTest::newRow("volts that contradict the reading") << instant + "2,002;2;512;3,5;";
        QTest::newRow("a time before the row above") << instant + "0,500;2;512;2,5;";
        QTest::newRow("no time") << instant + ";2;512;2,5;";
        QTest::newRow("a channel outside 1 to 5") << instant + "2,002;6;512;2,5;";
        QTest::newRow("a field more than the header") << instant + "2,002;2;512;2,5;;x";
        QTest::newRow("text after a closing quote") << instant + "2,002;2;512;2,5;\"a\"b";
        // Taken as the start of a quoted event, it would swallow the next row.
        QTest::newRow("an event's quote left open") << instant + "2,002;2;512;2,5;\"aberto";
    }
    void skipsARowThatCannotBeRead()
    {
        QFETCH(QByteArray, row);
        const RecordingRead read =
            readText("amostra;instante;tempo_s;canal;leitura;tensao_V;evento\n"
                     "1;2026-12-07T14:30:05.123;0,000;2;512;2,5;\n"
                     "2;2026-12-07T14:30:06.124;1,001;2;614;2,998046875;\"duas\nlinhas\"\n"
                     + row
                     + "\n"
                       "4;2026-12-07T14:30:08.126;3,003;2;1023;4,9951171875;\"fim\"\n");
        QCOMPARE(described(read.samples),
                 described({{0, localMs(kDay, QTime(14, 30, 5, 123)), 512, 2},
                            {1001000000, localMs(kDay, QTime(14, 30, 6, 124)), 614, 2},
                            {3003000000, localMs(kDay, QTime(14, 30, 8, 126)), 1023, 2}}));
        QCOMPARE(described(read.events), described(Events{{1, "duas\nlinhas"}, {2, "fim"}}));
        QCOMPARE(read.skippedRows, std::int64_t(1));
        QCOMPARE(read.firstSkippedLine, std::int64_t(5));
        QCOMPARE(read.refusal, QString());
    }

    // The same two samples, as a spreadsheet may have re-saved them.
    void readsWhatASpreadsheetResaved_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QTime>("first");
        QTest::addColumn<QTime>("second");
        const QTime first(14, 30, 5, 123);
        const QTime second(14, 30, 6, 124);
        QTest::newRow("every field quoted")
            << QByteArray("\"amostra\";\"instante\";\"tempo_s\";\"canal\";\"leitura\";"
                          "\"tensao_V\";\"evento\"\n"
                          "\"1\";\"2026-12-07T14:30:05.123\";\"0,000\";\"\";\"512\";\"2,5\";\"\"\n"
                          "\"2\";\"2026-12-07T14:30:06.124\";\"1,001\";\"2\";\"614\";"
                          "\"2,998046875\";\"Aquecedor ligado; 50 °C\"\n")
            << first << second;
        QTest::newRow("commas and dots, the event unquoted")
            << QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V,evento\n"
                          "1,2026-12-07T14:30:05.123,0,,512,2.5,\n"
                          "2,2026-12-07T14:30:06.124,1.001,2,614,2.998046875,"
                          "Aquecedor ligado; 50 °C\n")
            << first << second;
        QTest::newRow("trailing separators and an empty row")
            << QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V;evento;;;\n"
                          "1;2026-12-07T14:30:05.123;0,000;;512;2,5;;;;\n"
                          "2;2026-12-07T14:30:06.124;1,001;2;614;2,998046875;"
                          "\"Aquecedor ligado; 50 °C\";;;\n"
                          ";;;;;;;;;\n")
            << first << second;
        QTest::newRow("instante day first, without milliseconds")
            << QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V;evento\n"
                          "1;07/12/2026 14:30:05;0,000;;512;2,5;\n"
                          "2;07/12/2026 14:30:06;1,001;2;614;2,998046875;"
                          "\"Aquecedor ligado; 50 °C\"\n")
            << QTime(14, 30, 5) << QTime(14, 30, 6);
        QTest::newRow("instante month first where commas separate, without seconds")
            << QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V,evento\n"
                          "1,12/7/2026 14:30,0.000,,512,2.5,\n"
                          "2,12/7/2026 14:30,1.001,2,614,2.998046875,"
                          "\"Aquecedor ligado; 50 °C\"\n")
            << QTime(14, 30) << QTime(14, 30);
        QTest::newRow("instante with a space, milliseconds after a comma")
            << QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V;evento\n"
                          "1;2026-12-07 14:30:05,123;0,000;;512;2,5;\n"
                          "2;2026-12-07 14:30:06,124;1,001;2;614;2,998046875;"
                          "\"Aquecedor ligado; 50 °C\"\n")
            << first << second;
        QTest::newRow("numbers with more or fewer decimals")
            << QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V;evento\n"
                          "1;2026-12-07T14:30:05.123;0;;512,00;2,50;\n"
                          "2;2026-12-07T14:30:06.124;1,0010;2;614;3,00;"
                          "\"Aquecedor ligado; 50 °C\"\n")
            << first << second;
        QTest::newRow("a BOM and CRLF line ends")
            << QByteArray("\xEF\xBB\xBF"
                          "amostra;instante;tempo_s;canal;leitura;tensao_V;evento\r\n"
                          "1;2026-12-07T14:30:05.123;0,000;;512;2,5;\r\n"
                          "2;2026-12-07T14:30:06.124;1,001;2;614;2,998046875;"
                          "\"Aquecedor ligado; 50 °C\"\r\n")
            << first << second;
        QTest::newRow("the event in the Windows code page")
            << QByteArray("amostra;instante;tempo_s;canal;leitura;tensao_V;evento\n"
                          "1;2026-12-07T14:30:05.123;0,000;;512;2,5;\n"
                          "2;2026-12-07T14:30:06.124;1,001;2;614;2,998046875;"
                          "\"Aquecedor ligado; 50 \xB0"
                          "C\"\n")
            << first << second;
    }
    void readsWhatASpreadsheetResaved()
    {
        QFETCH(QByteArray, text);
        QFETCH(QTime, first);
        QFETCH(QTime, second);
        const RecordingRead read = readText(text);
        QCOMPARE(described(read.samples), described({{0, localMs(kDay, first), 512, 0},
                                                     {1001000000, localMs(kDay, second), 614, 2}}));
        QCOMPARE(described(read.events), described(Events{{1, "Aquecedor ligado; 50 °C"}}));
        QCOMPARE(read.skippedRows, std::int64_t(0));
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

    // A file with nothing to show is refused, with the reason.
    void refusesAFileWithNothingToShow_data()
    {
        QTest::addColumn<QString>("path"); // empty: a file holding `text`
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        const QString notOurs =
            "não é um arquivo de dados deste programa: a primeira linha não traz as colunas "
            "amostra, instante, tempo_s, canal, leitura e tensao_V";
        QTest::newRow("an empty file") << "" << QByteArray() << "o arquivo está vazio";
        QTest::newRow("another program's table")
            << "" << QByteArray("time,value\n1,2\n") << notOurs;
        QTest::newRow("cut short in its first name") << "" << QByteArray("\"amos") << notOurs;
        QTest::newRow("a column missing")
            << "" << QByteArray("amostra;instante;tempo_s;canal;leitura\n1;;0;2;512\n") << notOurs;
        QTest::newRow("only the header")
            << "" << QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V\n")
            << "não há nenhuma amostra no arquivo, só a linha de títulos";
        QTest::newRow("one row, unreadable")
            << "" << QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V\n1,,0,2,1024,5\n")
            << "a única linha de amostra, a linha 2, não pôde ser lida";
        QTest::newRow("no row readable")
            << ""
            << QByteArray("amostra,instante,tempo_s,canal,leitura,tensao_V\n\n1,,0,2,x,0\n"
                          "2,,1,2,2000,0\n")
            << "nenhuma das 2 linhas de amostras pôde ser lida (a primeira delas é a linha 3)";
        QTest::newRow("a folder") << "." << QByteArray()
                                  << "não é um arquivo comum (é uma pasta, um pipe ou um "
                                     "dispositivo)";
        QTest::newRow("a file that is not there")
            << "nowhere.csv" << QByteArray() << "o arquivo, a pasta ou o dispositivo não existe";
        QTest::newRow("a file the disk can't read")
            << "/proc/self/mem" << QByteArray() << "erro de entrada e saída no dispositivo";
    }
    void refusesAFileWithNothingToShow()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        if (path.isEmpty()) {
            path = folder.filePath("dados.csv");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        }
        const RecordingRead read = readRecording(path);
        QCOMPARE(read.refusal, reason);
        QCOMPARE(read.samples.size(), std::size_t(0));
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

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
