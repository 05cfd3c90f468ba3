#include "ui/sessioncommands.h"

#include "acquisition/samplefeed.h"
#include "errors/errorreporting.h"
#include "recording/csvreader.h"
#include "recording/savedfile.h"
#include "recording/sessionrecorder.h"
#include "ui/chartpicture.h"
#include "ui/reviewwindow.h"
#include "ui/savefiledialog.h"
#include "ui/signalchart.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

namespace {

const QString kSaveData = QStringLiteral("Salvar dados…");
const QString kRecord = QStringLiteral("Gravar continuamente…");
const QString kStopRecording = QStringLiteral("Parar gravação");
const QString kSaveImage = QStringLiteral("Salvar imagem do gráfico…");
const QString kWholeSession = QStringLiteral("Ver a sessão inteira");
const QString kFixedView = QStringLiteral("Voltar à vista fixa");
const QString kMarkEvent = QStringLiteral("Marcar evento…");
const QString kCopyMeasures = QStringLiteral("Copiar medidas");
const QString kOpenRecording = QStringLiteral("Abrir gravação…");
const QString kRecordingMark = QStringLiteral("● Gravando — ");
const QString kCsvFilter = QStringLiteral("Dados CSV (*.csv)");

} // namespace

SessionCommands::SessionCommands(QWidget *window, SignalChart *chart, SampleFeed &samples,
                                 SessionRecorder &recorder)
    : QObject(window)
    , m_window(window)
    , m_chart(chart)
    , m_samples(samples)
    , m_recorder(recorder)
    , m_menu(new QMenu(window))
    , m_caption(window->windowTitle())
{
    chooseFile = [this](const QString &caption, const QString &suggested,
                        const QStringList &filters, QString *chosenFilter) {
        return askSaveFileName(m_window, caption, suggested, filters, chosenFilter);
    };
    chooseRecording = [this](const QString &folder) {
        return QFileDialog::getOpenFileName(m_window, QStringLiteral("Abrir gravação"), folder,
                                            kCsvFilter + QStringLiteral(";;Todos os arquivos (*)"));
    };
    askEventText = [this](const QString &suggested) {
        QInputDialog dialog(m_window);
        dialog.setWindowTitle(QStringLiteral("Marcar evento"));
        dialog.setLabelText(QStringLiteral("Texto do evento, marcado na última amostra:"));
        dialog.setTextValue(suggested);
        if (auto *field = dialog.findChild<QLineEdit *>())
            field->setMaxLength(200);
        return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
    };
    buildActions();
    m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
    m_chart->setToolTip(QStringLiteral(
        "Clique com o botão direito (ou tecle Menu) para salvar, gravar ou rever a sessão"));
    connect(m_chart, &QWidget::customContextMenuRequested, this, &SessionCommands::showMenu);
    // The Menu key reaches the chart as a context-menu request; Shift+F10 does not.
    auto *shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_chart, nullptr, nullptr,
                                   Qt::WidgetShortcut);
    connect(shiftF10, &QShortcut::activated, this, [this] { showMenu(m_chart->rect().center()); });
    connect(&m_recorder, &SessionRecorder::failed, this, [this](const QString &message) {
        showRecordingState();
        report(message);
    });
    connect(&m_recorder, &SessionRecorder::pathChanged, this, &SessionCommands::showRecordingState);
}

SessionCommands::~SessionCommands()
{
    // A recording still being read is waited for: a few seconds at most.
    for (QThread *reading : findChildren<QThread *>())
        reading->wait();
}

void SessionCommands::buildActions()
{
    const auto add = [this](const QString &text, const QKeySequence &keys,
                            void (SessionCommands::*handler)()) {
        auto *action = new QAction(text, m_window);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                guarded([this, handler] { (this->*handler)(); }));
        m_window->addAction(action);
        m_menu->addAction(action);
        return action;
    };
    m_saveData = add(kSaveData, QKeySequence(Qt::CTRL | Qt::Key_S), &SessionCommands::saveData);
    m_record = add(kRecord, QKeySequence(Qt::CTRL | Qt::Key_R), &SessionCommands::toggleRecording);
    m_saveImage = add(kSaveImage, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                      &SessionCommands::saveImage);
    m_wholeSession = add(kWholeSession, QKeySequence(Qt::CTRL | Qt::Key_0),
                         &SessionCommands::toggleWholeSession);
    m_menu->addSeparator();
    m_markEvent = add(kMarkEvent, QKeySequence(Qt::CTRL | Qt::Key_M), &SessionCommands::markEvent);
    m_copyMeasures = add(kCopyMeasures, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                         &SessionCommands::copyMeasures);
    m_menu->addSeparator();
    m_openRecording =
        add(kOpenRecording, QKeySequence(Qt::CTRL | Qt::Key_O), &SessionCommands::openRecording);
    m_menu->setAccessibleName(QStringLiteral("Comandos da sessão"));
}

void SessionCommands::toggleWholeSession()
{
    emit wholeSessionToggled(!m_wholeSessionShown);
}

void SessionCommands::showMenu(const QPoint &position)
{
    m_menu->popup(m_chart->mapToGlobal(position));
}

void SessionCommands::setWholeSessionShown(bool shown)
{
    m_wholeSessionShown = shown;
    m_wholeSession->setText(shown ? kFixedView : kWholeSession);
}

// The folder used last in this run, else the documents folder, else home.
QString SessionCommands::startFolder() const
{
    QString folder = m_lastFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return folder;
}

QString SessionCommands::askFile(const QString &caption, const QString &extension,
                                 const QStringList &filters, QString *chosenFilter)
{
    const QString folder = startFolder();
    const QString name = QDateTime::currentDateTime().toString(
        QStringLiteral("'sensor-'yyyy-MM-dd-HHmmss'.%1'").arg(extension));
    QString chosen = filters.value(0);
    const QString path = chooseFile(caption, QDir(folder).filePath(name), filters, &chosen);
    if (chosenFilter)
        *chosenFilter = chosen;
    if (!path.isEmpty())
        m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

void SessionCommands::saveData()
{
    const QString path =
        askFile(QStringLiteral("Salvar dados"), QStringLiteral("csv"), {kCsvFilter});
    if (path.isEmpty())
        return;
    // Saving replaces the file whole: onto the recording's, it would destroy every row
    // recorded.
    if (m_recorder.isRecordingTo(path)) {
        report(QStringLiteral("“%1” é o arquivo da gravação em curso: salvar os dados nele "
                              "apagaria as linhas já gravadas. Escolha outro nome, ou pare a "
                              "gravação antes (Ctrl+R).")
                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    // Everything up to now: the samples that came while the dialog was open too.
    report(saveSamples(path, m_samples.store(), QLocale::system()));
}

void SessionCommands::toggleRecording()
{
    if (m_recorder.isRecording()) {
        m_recorder.stop();
    } else {
        const QString path =
            askFile(QStringLiteral("Gravar continuamente"), QStringLiteral("csv"), {kCsvFilter});
        if (path.isEmpty())
            return;
        m_recorder.start(path);
    }
    showRecordingState();
}

void SessionCommands::saveImage()
{
    QString filter;
    const QString path = askFile(QStringLiteral("Salvar imagem do gráfico"), QStringLiteral("png"),
                                 {kPngFilter, kSvgFilter}, &filter);
    if (path.isEmpty())
        return;
    report(saveChartPicture(*m_chart, path, filter));
}

// The event goes on the sample latest when the text is confirmed: the chart's, a save's
// and the recording's row.
void SessionCommands::markEvent()
{
    if (m_samples.store().isEmpty()) {
        report(QStringLiteral("Ainda não há amostra em que marcar um evento. Escolha um canal em "
                              "“Selecione o canal:” e marque o evento depois da primeira "
                              "leitura."));
        return;
    }
    const QString text =
        askEventText(QStringLiteral("Evento %1").arg(m_eventsMarked + 1)).simplified(); // one line
    if (text.isEmpty() || !m_samples.markLatest(text))
        return;
    ++m_eventsMarked;
    m_chart->showEvents();
}

void SessionCommands::copyMeasures()
{
    const QString text = m_chart->measuresText();
    if (text.isEmpty()) {
        report(QStringLiteral("Não há medidas para copiar: ponha o cursor A com um clique no "
                              "gráfico (ou a tecla A, com o gráfico em foco) e o B com "
                              "Shift+clique (ou a tecla B)."));
        return;
    }
    QGuiApplication::clipboard()->setText(text);
}

// The file is read on a thread of its own: a large one takes a second or two, in which the
// window goes on polling and drawing.
void SessionCommands::openRecording()
{
    const QString path = chooseRecording(startFolder());
    if (path.isEmpty())
        return;
    m_lastFolder = QFileInfo(path).absolutePath();
    auto read = std::make_shared<RecordingRead>();
    QThread *reading = QThread::create([path, read] {
        try {
            *read = readRecording(path);
        } catch (const std::bad_alloc &) {
            *read = {};
            read->refusal = QStringLiteral("a memória livre não basta para lê-lo");
        } catch (...) { // nothing may leave the thread
            *read = {};
            read->refusal = QStringLiteral("a leitura falhou por um erro interno do programa");
        }
    });
    reading->setParent(this);
    connect(reading, &QThread::finished, this, [this, reading, path, read] {
        reading->deleteLater();
        QGuiApplication::restoreOverrideCursor();
        runGuarded([&] { showRecording(path, std::move(*read)); });
    });
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    reading->start();
}

void SessionCommands::showRecording(const QString &path, RecordingRead read)
{
    const QString name = QDir::toNativeSeparators(path);
    if (!read.refusal.isEmpty()) {
        report(QStringLiteral("Não foi possível abrir a gravação “%1”: %2. Escolha um arquivo CSV "
                              "salvo ou gravado por este programa (ainda que uma planilha o tenha "
                              "salvo de novo).")
                   .arg(name, read.refusal));
        return;
    }
    const std::int64_t skipped = read.skippedRows;
    const std::int64_t firstSkipped = read.firstSkippedLine;
    auto *review = new ReviewWindow(path, std::move(read), m_window);
    review->show();
    if (skipped == 1)
        report(QStringLiteral("Uma linha de “%1” não pôde ser lida e ficou de fora: a linha %L2. "
                              "As outras estão na janela da gravação; o arquivo não foi alterado.")
                   .arg(name)
                   .arg(firstSkipped));
    else if (skipped > 1)
        report(QStringLiteral("%L1 linhas de “%2” não puderam ser lidas e ficaram de fora; a "
                              "primeira é a linha %L3. As outras estão na janela da gravação; o "
                              "arquivo não foi alterado.")
                   .arg(skipped)
                   .arg(name)
                   .arg(firstSkipped));
}

void SessionCommands::showRecordingState()
{
    const bool on = m_recorder.isRecording();
    m_record->setText(on ? kStopRecording : kRecord);
    m_window->setWindowTitle(on ? kRecordingMark + m_caption : m_caption);
    m_chart->setRecordingFile(on ? m_recorder.path() : QString());
}

void SessionCommands::report(const QString &message)
{
    if (!message.isEmpty())
        ErrorReporter::instance()->report(message);
}
