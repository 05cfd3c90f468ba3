#include "ui/reviewwindow.h"

#include "errors/errorreporting.h"
#include "recording/csvreader.h"
#include "ui/chartpicture.h"
#include "ui/lineseries.h"
#include "ui/savefiledialog.h"
#include "ui/signalchart.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

ReviewWindow::ReviewWindow(const QString &path, RecordingRead read, QWidget *owner)
    : QWidget(owner, Qt::Window)
    , m_path(path)
    , m_store(
          std::max<std::int64_t>(SampleStore::kDefaultCapacity, std::int64_t(read.samples.size())))
    , m_chart(new SignalChart(this))
    , m_series(new LineSeries(m_store, m_chart))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" — gravação aberta"));
    for (const Sample &sample : read.samples)
        m_store.append(sample);
    m_store.setTimeOrigin(0); // tempo_s as written: a file cut at its start starts later
    for (const auto &[index, text] : read.events)
        m_store.markEvent(std::int64_t(index), text);
    read = {};

    m_chart->addSeries(m_series);
    m_chart->setWholeSessionView(true);
    m_chart->showTimeOfDay();
    m_chart->showEvents();
    m_chart->setAccessibleName(m_chart->accessibleName()
                               + QStringLiteral(", gravação “%1”").arg(QFileInfo(path).fileName()));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_chart);
    resize(875, 420);
    buildMenu();
    m_chart->setFocus();
}

ReviewWindow::~ReviewWindow() = default;

void ReviewWindow::buildMenu()
{
    auto *menu = new QMenu(this);
    menu->setAccessibleName(QStringLiteral("Comandos da gravação"));
    const auto add = [this, menu](const QString &text, const QKeySequence &keys,
                                  std::function<void()> handler) {
        auto *action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, guarded(std::move(handler)));
        addAction(action);
        menu->addAction(action);
    };
    add(QStringLiteral("Copiar medidas"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
        [this] { copyMeasures(); });
    add(QStringLiteral("Salvar imagem do gráfico…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        [this] { saveImage(); });
    add(QStringLiteral("Fechar"), QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
    m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_chart, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint &at) { menu->popup(m_chart->mapToGlobal(at)); });
}

void ReviewWindow::copyMeasures()
{
    const QString text = m_chart->measuresText();
    if (text.isEmpty())
        ErrorReporter::instance()->report(
            QStringLiteral("Não há medidas para copiar: ponha o cursor A com um clique no gráfico "
                           "(ou a tecla A) e o B com Shift+clique (ou a tecla B)."));
    else
        QGuiApplication::clipboard()->setText(text);
}

void ReviewWindow::saveImage()
{
    const QFileInfo recording(m_path);
    QString filter;
    const QString path = askSaveFileName(
        this, QStringLiteral("Salvar imagem do gráfico"),
        recording.dir().filePath(recording.completeBaseName() + QStringLiteral(".png")),
        {kPngFilter, kSvgFilter}, &filter);
    if (path.isEmpty())
        return;
    const QString message = saveChartPicture(*m_chart, path, filter);
    if (!message.isEmpty())
        ErrorReporter::instance()->report(message);
}
