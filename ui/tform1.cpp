#include "ui/tform1.h"

#include "acquisition/frameassembler.h"
#include "acquisition/generalformat.h"
#include "acquisition/signalstate.h"
#include "errors/errorreporting.h"
#include "link/comled.h"
#include "link/comport.h"
#include "link/linkerrors.h"
#include "protocol/boardprotocol.h"
#include "recording/sessionrecorder.h"
#include "ui/droppedsamplesnote.h"
#include "ui/lineseries.h"
#include "ui/pngicon.h"
#include "ui/reviewwindow.h"
#include "ui/screenfit.h"
#include "ui/sessioncommands.h"
#include "ui/signalchart.h"
#include "ui/windowdesign.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

const QString kCaption = QStringLiteral("Visualização dos dados capturados pelo sensor");
const QString kChannelPrompt = QStringLiteral("Selecione o canal:");

class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    FixedHeightDelegate(int height, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_height(height)
    {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

// Qt's own close glyph, the one its styles draw where the desktop's icon theme has none.
// Asking the style for it first reads the icon theme's whole index: a quarter of the
// start-up's work, where the only gain is a theme's own close icon.
QIcon closeGlyph(const QStyle &style)
{
    QStringList files;
    for (int size : {16, 32, 128})
        files.append(
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-close-%1.png")
                .arg(size));
    const QIcon glyph = pngIcon(files);
    return glyph.isNull() ? style.standardIcon(QStyle::SP_DialogCloseButton) : glyph;
}

QFont windowFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QFont readoutFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(24);
    font.setBold(true);
    return font;
}

} // namespace

TForm1::TForm1(const SerialSettings &link, QWidget *parent)
    : QWidget(parent)
    , m_reports(*ErrorReporter::instance())
{
    buildComponents();
    layOutComponents();
    describeForAssistiveTechnology();
    wireEvents();
    buildSessionCommands();
    Timer1->start();

    ComPort1->setSettings(link);
    ComPort1->Open();
    ComPort1->ClearBuffer(true, true);
    Series1->ClearPoints();
}

TForm1::~TForm1() = default;

void TForm1::buildComponents()
{
    ComPort1 = new ComPort(this);
    ComLed1 = new ComLed(this);
    Label6 = new QLabel(QStringLiteral("ComPort On/Off"), this);
    Button1 = new QPushButton(QStringLiteral("Configurar Serial"), this);
    BitBtn1 = new QPushButton(this);
    Timer1 = new QTimer(this);
    Label1 = new QLabel(QStringLiteral("0.0"), this);
    ComboBox1 = new QComboBox(this);
    Chart1 = new SignalChart(this);
    Series1 = new LineSeries(m_samples.store(), Chart1);
    Button4 = new QPushButton(QStringLiteral("Limpar Gráfico"), this);

    ComLed1->setComPort(ComPort1);
    Timer1->setInterval(kPollIntervalMs);
    Chart1->addSeries(Series1);

    // The close button has Qt's own caption for the user's language, and Qt's own glyph.
    BitBtn1->setText(QCoreApplication::translate("QPlatformTheme", "Close"));
    BitBtn1->setIcon(closeGlyph(*style()));

    for (int channel = 1; channel <= kChannelCount; ++channel)
        ComboBox1->addItem(QString::number(channel));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->lineEdit()->setPlaceholderText(kChannelPrompt);
    // The field takes a channel's number or nothing: "7" would leave the field showing
    // a channel that is not polled.
    ComboBox1->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[1-%1]").arg(kChannelCount)), ComboBox1));
    ComboBox1->setPlaceholderText(kChannelPrompt);
    ComboBox1->setItemDelegate(new FixedHeightDelegate(kSelectorEntryHeight, ComboBox1));
}

void TForm1::layOutComponents()
{
    setWindowTitle(kCaption);
    setFont(windowFont());
    new ScreenFit(this, QRect(kWindowPosition, kWindowOuterSize));

    Label6->move(kLabel6Geometry.topLeft());
    Label6->adjustSize();
    ComLed1->setGeometry(kComLed1Geometry);
    Button1->setGeometry(kButton1Geometry);
    ComboBox1->setGeometry(kComboBox1Geometry);
    Label1->setFont(readoutFont());
    Label1->move(kLabel1Position);
    Label1->adjustSize();
    Chart1->setGeometry(kChart1Geometry);
    Button4->setGeometry(kButton4Geometry);
    BitBtn1->setGeometry(kBitBtn1Geometry);

    for (QWidget *control : std::initializer_list<QWidget *>{Label6, ComLed1, Button1, ComboBox1,
                                                             Label1, Chart1, Button4, BitBtn1})
        m_designedPlaces.append({control, control->pos()});

    setTabOrder(Button1, BitBtn1);
    setTabOrder(BitBtn1, ComboBox1);
    setTabOrder(ComboBox1, Chart1);
    setTabOrder(Chart1, Button4);
    ComLed1->setFocusPolicy(Qt::NoFocus);
}

void TForm1::describeForAssistiveTechnology()
{
    // Buttons, labels and the lamp and chart name themselves; the selector's field and the
    // readout's meaning are said here. The readout's text is its value.
    ComboBox1->setAccessibleName(QStringLiteral("Canal"));
    Label1->setAccessibleDescription(QStringLiteral("Tensão da última leitura, em volts"));
    // Enter presses the focused button, as Space does.
    for (QPushButton *button : {Button1, BitBtn1, Button4})
        button->setAutoDefault(true);
}

void TForm1::wireEvents()
{
    connect(ComPort1, &ComPort::OnRxChar, this,
            [this](int count) { runGuarded([&] { ComPort1RxChar(ComPort1, count); }); });
    connect(ComPort1, &ComPort::linkLost, this,
            [this](const QString &message) { m_reports.linkLost(message); });
    connect(ComPort1, &ComPort::linkFault, this,
            [this](const QString &message) { m_reports.linkFault(message); });
    connect(ComPort1, &ComPort::connectionChanged, this, [this](bool open) {
        if (open)
            m_reports.linkOpened();
    });
    connect(Timer1, &QTimer::timeout, this, guarded([this] { pollTick(); }));
    connect(Button1, &QPushButton::clicked, this, guarded([this] { Button1Click(Button1); }));
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(BitBtn1); }));
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    connect(Button4, &QPushButton::clicked, this, guarded([this] { Button4Click(Button4); }));
}

void TForm1::buildSessionCommands()
{
    m_recorder = new SessionRecorder(QLocale::system(), this);
    m_samples.connect(m_recorder);
    m_droppedNote = std::make_unique<DroppedSamplesNote>(m_samples.store());
    m_samples.connect(m_droppedNote.get());
    m_session = new SessionCommands(this, Chart1, m_samples, *m_recorder);
    connect(m_session, &SessionCommands::wholeSessionToggled, Chart1,
            &SignalChart::setWholeSessionView);
    connect(Chart1, &SignalChart::wholeSessionViewChanged, m_session,
            &SessionCommands::setWholeSessionShown);
}

int TForm1::selectedChannel() const
{
    // Typing in the field chooses the entry it names (it takes nothing else); an empty
    // field chooses none, so the field always shows what is polled.
    return ComboBox1->findText(ComboBox1->currentText().trimmed(), Qt::MatchFixedString);
}

void TForm1::ComPort1RxChar(QObject *, int)
{
    if (ComPort1->InputCount() < kFrameSize)
        return; // half a frame: it waits for its second byte
    // Two bytes are a frame; more need recovery (a stray byte, a board answering twice,
    // a stream), which the assembler does, allowing for the line's speed.
    const SerialSettings &line = ComPort1->settings();
    const FrameAssembler assembler(byteTimeMs(line.baudRate, line.bitsPerCharacter()));
    const FramingResult framing = assembler.take(ComPort1->WaitingBytes());
    std::vector<char> taken(static_cast<size_t>(framing.consumed));
    ComPort1->Read(taken.data(), framing.consumed);
    // Each frame is completed by the latest bytes: the read before left at most one byte.
    const Arrival arrival = ComPort1->LastArrival();
    const LineSeries::Batch oneRead(*Series1); // what a read brings is drawn together
    for (const Frame &frame : framing.frames)
        addSample(frame, arrival);
    if (!framing.frames.empty())
        m_reports.boardAnswered();
}

void TForm1::addSample(const Frame &frame, const Arrival &arrival)
{
    LastVoltage = frameVoltage(frame.byte0, frame.byte1);
    const SamplePosition position = nextSamplePosition(SampleIndex);
    if (position.restartTrace)
        clearSignal();
    // The sample, stamped once, goes to the session's store and the recording; the chart
    // draws it from the store.
    m_samples.add({arrival.steadyNs, arrival.wallMs, rawReading(frame.byte0, frame.byte1),
                   static_cast<std::uint8_t>(m_polledChannel)});
    Series1->AppendPoint(position.x, static_cast<double>(LastVoltage));
    SampleIndex = position.x + 1;
}

void TForm1::Timer1Timer(QObject *)
{
    // Five tests one after another, one per channel, each reading the selection afresh and
    // none skipped after a match: this is the poll as the board's documentation gives it,
    // exactly one command per tick for the channel chosen. Keep it so rather than
    // "simplify" it to one lookup: it is the documented behaviour, not an accident.
    for (int position = 0; position < kChannelCount; ++position) {
        if (selectedChannel() != position)
            continue;
        const char command = *channelCommand(position);
        ComPort1->Write(&command, 1);
        m_polledChannel = position + 1;
        m_reports.pollSent(silentBoardMessage(ComPort1->portLabel(), ComPort1->settings(),
                                              SilenceCheck::kUnansweredLimit));
        Label1->setText(formatGeneral(static_cast<double>(LastVoltage), QLocale::system()));
        Label1->adjustSize();
    }
}

void TForm1::pollTick()
{
    try {
        Timer1Timer(Timer1);
    } catch (const Exception &error) {
        m_reports.pollFailed(error.Message(), ComPort1->Connected());
    }
}

void TForm1::Button1Click(QObject *)
{
    if (ComPort1->ShowSetupDialog(this))
        m_reports.settingsChosen();
}

void TForm1::BitBtn1Click(QObject *)
{
    ComPort1->Close();
}

void TForm1::Button4Click(QObject *)
{
    clearSignal();
    SampleIndex = 0;
}

void TForm1::clearSignal()
{
    m_samples.clear(); // the session starts afresh; a recording goes on
    Series1->ClearPoints();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // On a screen smaller than the design the window is narrowed: a control it would cut
    // moves in as far as it must, whole.
    for (const auto &[control, designed] : std::as_const(m_designedPlaces)) {
        const int x = std::max(0, std::min(designed.x(), width() - control->width()));
        const int y = std::max(0, std::min(designed.y(), height() - control->height()));
        control->move(x, y);
    }
}

void TForm1::closeEvent(QCloseEvent *)
{
    // The program ends with its window, and the device, the recording and the recordings
    // opened go with it, here: at the session's end Windows ends the process once the
    // window has heard of it.
    ComPort1->Close();
    m_recorder->finish();
    for (ReviewWindow *review : findChildren<ReviewWindow *>(Qt::FindDirectChildrenOnly))
        review->close();
}
