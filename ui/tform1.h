#pragma once

#include "acquisition/samplefeed.h"
#include "link/linkreports.h"
#include "link/serialsettings.h"

#include <QWidget>

class ComLed;
class ComPort;
class LineSeries;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class SessionCommands;
class SessionRecorder;
class SignalChart;

// The program's one window. It owns every component: the link to the board and its
// lamp, the poll timer, the channel selector, the readout and the chart with the signal
// series, and handles their events.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    /// Builds the window, opens the link on `link` and flushes it, and empties the
    /// series. An error opening the link leaves the constructor.
    explicit TForm1(const SerialSettings &link = SerialSettings(), QWidget *parent = nullptr);
    ~TForm1() override;

    ComPort *ComPort1;
    ComLed *ComLed1;
    QLabel *Label6;
    QPushButton *Button1;
    QPushButton *BitBtn1;
    QTimer *Timer1;
    QLabel *Label1;
    QComboBox *ComboBox1;
    SignalChart *Chart1;
    LineSeries *Series1;
    QPushButton *Button4;

    void ComPort1RxChar(QObject *Sender, int Count);
    void Timer1Timer(QObject *Sender);
    void Button1Click(QObject *Sender);
    void BitBtn1Click(QObject *Sender);
    void Button4Click(QObject *Sender);

    /// The 0-based position of the chosen channel, or -1 while none is chosen.
    int selectedChannel() const;

    /// Saving, recording and reviewing the session: the chart's context menu and shortcuts.
    SessionCommands *sessionCommands() const { return m_session; }
    /// Where each decoded sample goes: the session's store, which the chart draws from,
    /// and the recording.
    SampleFeed &samples() { return m_samples; }

    static constexpr int kPollIntervalMs = 1000;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildComponents();
    void layOutComponents();
    void describeForAssistiveTechnology();
    void wireEvents();
    void buildSessionCommands();
    void addSample(const Frame &frame, const Arrival &arrival);
    void clearSignal();
    void pollTick();

    SampleFeed m_samples; // before the series, which draws from its store
    LinkReports m_reports;
    QList<QPair<QWidget *, QPoint>> m_designedPlaces; // each control's place as designed
    SessionCommands *m_session = nullptr;
    SessionRecorder *m_recorder = nullptr;
    std::unique_ptr<SampleSink> m_droppedNote;
    int m_polledChannel = 0; // 1..5: the channel of the last command sent
};
