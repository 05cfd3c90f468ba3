#include "ui/sessioncommands.h"

#include "errors/errorreporting.h"
#include "recording/savedfile.h"
#include "recording/sessionrecorder.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QWidget>

#include <chrono>

namespace {

const QString kSaveData = QStringLiteral("Salvar dados…");
const QString kRecord = QStringLiteral("Gravar continuamente…");
const QString kStopRecording = QStringLiteral("Parar gravação");
const QString kSaveImage = QStringLiteral("Salvar imagem do gráfico…");
const QString kWholeSession = QStringLiteral("Ver a sessão inteira");
const QString kFixedView = QStringLiteral("Voltar à vista fixa");
const QString kRecordingMark = QStringLiteral("● Gravando — ");
const QString kCsvFilter = QStringLiteral("Dados CSV (*.csv)");

} // namespace

SessionCommands::SessionCommands(QWidget *window, QWidget *chart)
    : QObject(window)
    , m_window(window)
    , m_chart(chart)
    , m_menu(new QMenu(window))
    , m_recorder(new SessionRecorder(QLocale::system(), this))
    , m_caption(window->windowTitle())
    , m_chartDescription(chart->accessibleDescription())
{
    chooseFile = [this](const QString &caption, const QString &suggested, const QString &filter) {
        return QFileDialog::getSaveFileName(m_window, caption, suggested, filter);
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
    connect(m_recorder, &SessionRecorder::failed, this, [this](const QString &message) {
        showRecordingState();
        report(message);
    });
}

SessionCommands::~SessionCommands() = default;

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

void SessionCommands::readArrived()
{
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    m_readSteadyNs = std::chrono::duration_cast<std::chrono::nanoseconds>(steady).count();
    m_readWallMs = QDateTime::currentMSecsSinceEpoch();
}

void SessionCommands::addSample(std::uint16_t reading, int channel)
{
    const SampleRecord sample{m_readWallMs, m_readSteadyNs, reading,
                              static_cast<std::uint8_t>(channel)};
    m_samples.append(sample);
    m_recorder->add(sample);
}

void SessionCommands::clearSamples()
{
    m_samples.clear();
}

bool SessionCommands::isRecording() const
{
    return m_recorder->isRecording();
}

void SessionCommands::setWholeSessionShown(bool shown)
{
    m_wholeSessionShown = shown;
    m_wholeSession->setText(shown ? kFixedView : kWholeSession);
    // The chart has just described its new view; the file being recorded to is added again.
    m_chartDescription = m_chart->accessibleDescription();
    showRecordingState();
}

QString SessionCommands::askFile(const QString &caption, const QString &extension,
                                 const QString &filter)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name = QDateTime::currentDateTime().toString(
        QStringLiteral("'sensor-'yyyy-MM-dd-HHmmss'.%1'").arg(extension));
    return chooseFile(caption, QDir(folder).filePath(name), filter);
}

void SessionCommands::saveData()
{
    // Taken before the dialog: what the chart held when the user asked.
    const std::vector<SampleRecord> samples = m_samples.samples();
    const QString path = askFile(QStringLiteral("Salvar dados"), QStringLiteral("csv"), kCsvFilter);
    if (!path.isEmpty())
        report(saveSamples(path, samples, QLocale::system()));
}

void SessionCommands::toggleRecording()
{
    if (m_recorder->isRecording()) {
        m_recorder->stop();
    } else {
        const QString path =
            askFile(QStringLiteral("Gravar continuamente"), QStringLiteral("csv"), kCsvFilter);
        if (path.isEmpty())
            return;
        m_recorder->start(path);
    }
    showRecordingState();
}

void SessionCommands::saveImage()
{
    const QString path = askFile(QStringLiteral("Salvar imagem do gráfico"), QStringLiteral("png"),
                                 QStringLiteral("Imagem PNG (*.png);;Desenho SVG (*.svg)"));
    if (path.isEmpty())
        return;
    const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    report(saveAtOnce(path, QStringLiteral("a imagem"), [&](QIODevice &file) {
        if (!svg)
            return m_chart->grab().save(&file, "PNG");
        QSvgGenerator drawing;
        drawing.setOutputDevice(&file);
        drawing.setSize(m_chart->size());
        drawing.setViewBox(m_chart->rect());
        drawing.setTitle(m_chart->accessibleName());
        QPainter painter(&drawing);
        m_chart->render(&painter);
        return painter.end();
    }));
}

void SessionCommands::showRecordingState()
{
    const bool on = m_recorder->isRecording();
    m_record->setText(on ? kStopRecording : kRecord);
    m_window->setWindowTitle(on ? kRecordingMark + m_caption : m_caption);
    m_chart->setAccessibleDescription(
        on ? QStringLiteral("%1. Gravando os dados em “%2”.")
                 .arg(m_chartDescription, QDir::toNativeSeparators(m_recorder->path()))
           : m_chartDescription);
}

void SessionCommands::report(const QString &message)
{
    if (!message.isEmpty())
        ErrorReporter::instance()->report(message);
}
