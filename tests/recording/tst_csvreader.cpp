// Reading a data file back: both dialects as the program writes them, with and without the
// evento column; rows that can't be read, skipped and counted; files as spreadsheets
// re-save them by hand (through LibreOffice itself: tst_csvreader_linux); and the files it
// refuses.

#include "csvreadertest.h"

#include <QTemporaryDir>
#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
