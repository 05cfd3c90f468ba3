// The session's commands: what a save writes and when it refuses, the chart's picture as
// the filter or the name says and at the chart's size, the file dialog (its folder, the
// extension it adds, the names it refuses), and the caption and the chart's description
// while recording.

#include "acquisition/samplefeed.h"
#include "recording/sessionrecorder.h"
#include "support/boxreader.h"
#include "support/filecontents.h"
#include "ui/lineseries.h"
#include "ui/reviewwindow.h"
#include "ui/savefiledialog.h"
#include "ui/sessioncommands.h"
#include "ui/signalchart.h"

#include <QtTest>
#include <QtWidgets>

static constexpr int kWaitMs = 5000;

class TstSessionCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    QWidget m_window;
    SampleFeed m_samples;
    SignalChart *m_chart = new SignalChart(&m_window);
    LineSeries m_series{m_samples.store()};
    SessionRecorder m_recorder{QLocale::c()};
    SessionCommands m_commands{&m_window, m_chart, m_samples, m_recorder};
    BoxReader m_user;

    void addSample(std::uint16_t reading)
    {
        const std::int64_t x = m_samples.store().count();
        m_samples.add({x * 1000000000, 0, reading, 1});
        m_series.AppendPoint(double(x), voltageFromRaw(reading));
    }
    // Has the commands' file dialog answer `path`, with `filter` chosen, doing `meanwhile`
    // while it is open.
    void answer(
        const QString &path, const QString &filter = {}, std::function<void()> meanwhile = [] {})
    {
        m_commands.chooseFile = [=](const QString &, const QString &, const QStringList &filters,
                                    QString *chosen) {
            meanwhile();
            *chosen = filter.isEmpty() ? filters.first() : filter;
            return path;
        };
    }
    // The user at the file dialog, once it shows: `act` is what they do there.
    void atTheDialog(std::function<void(QFileDialog &)> act)
    {
        QTimer::singleShot(0, this, [this, act] {
            QFileDialog *dialog = nullptr;
            (void)QTest::qWaitFor(
                [&] {
                    return (dialog =
                                qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
                },
                kWaitMs);
            if (dialog)
                act(*dialog);
        });
    }

    // A name typed into the dialog's field, and Enter.
    static void type(QFileDialog &dialog, const QString &name)
    {
        auto *field = dialog.findChild<QLineEdit *>("fileNameEdit");
        field->setText(name);
        QTest::keyClick(field, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        // A home without a documents folder: the dialogs start at home.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        m_samples.connect(&m_recorder);
        m_chart->addSeries(&m_series);
        m_chart->resize(609, 250);
        m_window.show();
    }
    void cleanup() { QCOMPARE(m_user.read(0), QStringList()); }

    // A save holds every sample up to the moment it is confirmed, those that came while its
    // dialog was open too.
    void saveHoldsTheSamplesUpToItsConfirmation()
    {
        m_samples.clear();
        addSample(512);
        answer(m_home.filePath("dados.csv"), {}, [this] { addSample(1023); });
        m_commands.saveDataAction()->trigger();
        const QList<QByteArray> rows = contents(m_home.filePath("dados.csv")).split('\n');
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[2].split(',')[5], "4.9951171875");
    }

    // An event marks the sample latest when its text is confirmed, one that came while the
    // dialog was open too, on one line, on the chart and in the recording; "Evento N" is
    // offered, N counting the events.
    void anEventMarksTheLatestSampleOnceConfirmed()
    {
        m_samples.clear();
        const QString recorded = m_home.filePath("eventos.csv");
        answer(recorded);
        m_commands.recordAction()->trigger();
        addSample(512);
        QString offered;
        m_commands.askEventText = [&](const QString &suggested) {
            offered = suggested;
            addSample(600);
            return QString("aquecedor\n  ligado ");
        };
        m_commands.markEventAction()->trigger();
        QCOMPARE(offered, "Evento 1");
        QCOMPARE(m_samples.store().events()
                     == (std::map<std::int64_t, QString>{{1, "aquecedor ligado"}}),
                 true);
        m_commands.markEventAction()->trigger();
        QCOMPARE(offered, "Evento 2");
        m_commands.recordAction()->trigger(); // stops
        QTRY_COMPARE(contents(recorded).split('\n').value(2).split(',').last(), "aquecedor ligado");
    }

    // Data that cannot be saved is told, with the file's name, in a box; and the save will
    // not replace the file being recorded, which keeps every row.
    void refusedSavesAreTold()
    {
        answer("/sem/pasta/d.csv");
        m_commands.saveDataAction()->trigger();
        QCOMPARE(m_user.read(1).value(0).contains("/sem/pasta/d.csv"), true);
        const QString recorded = m_home.filePath("gravacao.csv");
        answer(recorded);
        m_commands.recordAction()->trigger();
        addSample(512);
        m_commands.saveDataAction()->trigger();
        QCOMPARE(m_user.read(1),
                 QStringList("“" + QDir::toNativeSeparators(recorded)
                             + "” é o arquivo da gravação em curso: salvar os dados nele "
                               "apagaria as linhas já gravadas. Escolha outro nome, ou pare a "
                               "gravação antes (Ctrl+R)."));
        m_commands.recordAction()->trigger(); // stops
        QTRY_COMPARE(contents(recorded).count('\n'), 2);
    }

    // A file with no row that reads is refused in one box, with the reason, and no window
    // opens for it.
    void aRecordingWithNoRowToReadIsRefused()
    {
        const QString path = m_home.filePath("titulos.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("amostra;instante;tempo_s\n") > 0);
        file.close();
        m_commands.chooseRecording = [&](const QString &) { return path; };
        m_commands.openRecordingAction()->trigger();
        const QString box = m_user.read(1).value(0);
        QVERIFY2(box.startsWith("Não foi possível abrir a gravação “"
                                + QDir::toNativeSeparators(path) + "”: ")
                     && box.endsWith(". Escolha um arquivo CSV salvo ou gravado por este programa "
                                     "(ainda que uma planilha o tenha salvo de novo)."),
                 qPrintable(box));
        QCOMPARE(m_window.findChildren<ReviewWindow *>().size(), 0);
    }

    // The picture is of the type the name says, when it names one, else the filter chosen;
    // an SVG is the chart's size (96 pixels an inch).
    void pictureTypeFollowsTheNameOrTheFilter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("begins");
        QTest::newRow("PNG chosen") << "a.png"
                                    << "Imagem PNG (*.png)" << QByteArray("\x89PNG");
        QTest::newRow("SVG named") << "b.svg"
                                   << "Imagem PNG (*.png)" << QByteArray("<?xml");
        QTest::newRow("SVG chosen") << "c"
                                    << "Desenho SVG (*.svg)" << QByteArray("<?xml");
    }
    void pictureTypeFollowsTheNameOrTheFilter()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(QByteArray, begins);
        answer(m_home.filePath(name), filter);
        m_commands.saveImageAction()->trigger();
        const QByteArray picture = contents(m_home.filePath(name));
        QCOMPARE(picture.left(begins.size()), begins);
        if (begins != "<?xml")
            return;
        const QRegularExpression size(R"(<svg width="([\d.]+)mm" height="([\d.]+)mm")");
        const QRegularExpressionMatch m = size.match(QString::fromUtf8(picture));
        QVERIFY(m.hasMatch());
        QCOMPARE(qRound(m.captured(1).toDouble() / 25.4 * 96), 609);
        QCOMPARE(qRound(m.captured(2).toDouble() / 25.4 * 96), 250);
    }

    // With the cursors placed, the measures are copied as text, and the picture, PNG or SVG,
    // holds the cursors and their panel.
    void measuresAreCopiedAndPictured()
    {
        m_samples.clear();
        for (const std::uint16_t reading : {256, 512, 768})
            addSample(reading);
        m_series.flush();
        m_chart->cursors()->place(ChartCursors::A, 0);
        m_chart->cursors()->place(ChartCursors::B, 2);
        m_commands.copyMeasuresAction()->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), m_chart->measuresText());
        QVERIFY(m_chart->measuresText().contains("ΔV (B − A): 2.500 V"));
        answer(m_home.filePath("medidas.svg"));
        m_commands.saveImageAction()->trigger();
        const QString drawing = QString::fromUtf8(contents(m_home.filePath("medidas.svg")));
        QVERIFY(drawing.contains("N 3 · mín 1.250 V · máx 3.750 V"));
        answer(m_home.filePath("medidas.png"));
        m_commands.saveImageAction()->trigger();
        const QImage withCursors(m_home.filePath("medidas.png"));
        m_chart->cursors()->clear();
        QVERIFY(m_chart->grab().toImage().convertToFormat(withCursors.format()) != withCursors);
    }

    // The file dialog starts at home when there is no documents folder, then in the folder
    // used last; a name typed without an extension takes the chosen filter's; a name with
    // quotes, which the dialog would read as a list of names, is refused.
    void fileDialogStartsWhereUsedLastAndTakesNamesWhole()
    {
        m_commands.chooseFile = [this](const QString &caption, const QString &suggested,
                                       const QStringList &filters, QString *chosen) {
            return askSaveFileName(&m_window, caption, suggested, filters, chosen);
        };
        const QString folder = m_home.filePath("figuras");
        QVERIFY(QDir().mkpath(folder));
        QString startedIn;
        atTheDialog([&](QFileDialog &dialog) {
            startedIn = dialog.directory().absolutePath();
            auto *filters = dialog.findChild<QComboBox *>("fileTypeCombo");
            QTest::keyClick(filters, Qt::Key_Down); // "Desenho SVG (*.svg)"
            type(dialog, folder + "/grafico");
        });
        m_commands.saveImageAction()->trigger();
        QCOMPARE(startedIn, m_home.path());
        m_user.pause(); // the dialog's own box is read here
        QString refusal;
        atTheDialog([&](QFileDialog &dialog) {
            startedIn = dialog.directory().absolutePath();
            QTimer::singleShot(0, this, [&] {
                QWidget *box = nullptr;
                (void)QTest::qWaitFor(
                    [&] { return (box = QApplication::activeModalWidget()) != &dialog && box; },
                    kWaitMs);
                if (auto *warning = qobject_cast<QMessageBox *>(box)) {
                    refusal = warning->text();
                    warning->done(QMessageBox::Ok);
                }
                type(dialog, "dados");
            });
            type(dialog, "-dados \"x\".csv");
        });
        m_commands.saveDataAction()->trigger();
        m_user.resume();
        QCOMPARE(startedIn, folder);
        QCOMPARE(refusal, "O nome “-dados \"x\".csv” tem aspas (\"), que não podem fazer parte "
                          "do nome de um arquivo aqui. Tire as aspas e tente de novo.");
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"dados.csv", "grafico.svg"}));
        QCOMPARE(contents(folder + "/grafico.svg").left(5), "<?xml");
    }

    // While recording, the caption says so and the chart's description names the file,
    // as the system writes paths, by its new name once it is renamed.
    void recordingIsShownAndFollowsItsFile()
    {
        const QString caption = m_window.windowTitle();
        const QString path = m_home.filePath("sessao.csv");
        answer(path);
        m_commands.recordAction()->trigger();
        QCOMPARE(m_window.windowTitle(), "● Gravando — " + caption);
        const auto described = [this](const QString &file) {
            return m_chart->accessibleDescription().endsWith(
                "Gravando os dados em “" + QDir::toNativeSeparators(file) + "”");
        };
        QVERIFY(described(path));
        if (qEnvironmentVariableIsSet("UNDER_WINE"))
            QSKIP("Wine 8.0 keeps the name a file was opened by through a rename");
        QVERIFY(QFile::rename(path, m_home.filePath("renomeado.csv")));
        addSample(512);
        QTRY_VERIFY(described(m_home.filePath("renomeado.csv")));
        m_commands.recordAction()->trigger();
        QCOMPARE(m_window.windowTitle(), caption);
    }
};

QTEST_MAIN(TstSessionCommands)
#include "tst_sessioncommands.moc"
