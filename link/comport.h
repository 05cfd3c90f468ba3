#pragma once

#include "acquisition/frameassembler.h"
#include "link/serialsettings.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QSerialPort;
class QTimer;
class QWidget;

// The serial link to the sensor board. It takes every byte Qt receives into its own
// input queue, stamped with its arrival time, and raises OnRxChar on the GUI thread.
// Operations that fail raise Exception with a message for the user. A device that goes
// away while open (a USB adapter pulled out) closes the link and is reported once,
// through linkLost; the link then looks for the device once a second and, when its path
// leads to a device again, re-opens it with the same settings. Closing the link or
// moving it to another port stops the looking.
class ComPort : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<std::int64_t()>; // monotonic milliseconds

    explicit ComPort(QObject *parent = nullptr);
    ~ComPort() override;

    const SerialSettings &settings() const { return m_settings; }
    /// Settings for the next Open(); an open link is not touched.
    void setSettings(const SerialSettings &settings) { m_settings = settings; }
    /// Applies settings to the link: an open link takes the new line settings, a new
    /// port (or a closed link) is opened afresh. Raises Exception on failure.
    void applySettings(const SerialSettings &settings);

    /// Opens the device of the configured port with the current settings.
    void Open();
    /// Closes the device; nothing further is received, and a lost device is no longer
    /// looked for. Closing a closed link is a no-op.
    void Close();
    bool Connected() const;

    /// Discards received bytes not yet read and/or bytes not yet sent.
    void ClearBuffer(bool input, bool output);
    /// The number of received bytes waiting to be read.
    int InputCount() const;
    /// The waiting bytes with their arrival times, oldest first, without taking them.
    std::vector<ArrivedByte> WaitingBytes() const;
    /// Moves up to count waiting bytes into buffer, oldest first; returns how many.
    int Read(char *buffer, int count);
    /// Queues count bytes for sending; returns how many. Raises Exception when closed.
    int Write(const char *buffer, int count);

    /// Lets the user edit the settings in a modal dialog and applies what they confirm.
    void ShowSetupDialog(QWidget *parent = nullptr);

    /// Replaces the clock that stamps arrivals (tests drive time by hand).
    void setClock(Clock clock) { m_clock = std::move(clock); }

signals:
    /// Bytes arrived; count is the number now waiting.
    void OnRxChar(int count);
    void connectionChanged(bool open);
    void linkLost(const QString &message);

private:
    void onReadyRead();
    void onErrorOccurred(int error);
    void applyControlLines();
    void closeDevice();
    void lookForLostDevice();

    // Which device node a path leads to, links followed; none while the path is missing
    // (and on systems without device files, where a lost link is never re-opened).
    using DeviceNode = std::optional<std::pair<quint64, quint64>>;
    static DeviceNode deviceNode(const QString &path);

    SerialSettings m_settings;
    QSerialPort *m_port;
    std::deque<ArrivedByte> m_input;
    QElapsedTimer m_sinceStart;
    Clock m_clock;
    QTimer *m_replugCheck;
    DeviceNode m_openedNode; // the node last opened, which a lost link must not re-open
    bool m_pathWentAway = false;
};
