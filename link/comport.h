#pragma once

#include "acquisition/frameassembler.h"
#include "acquisition/sample.h"
#include "link/linkerrors.h"
#include "link/serialsettings.h"

#include <QElapsedTimer>
#include <QObject>

#include <deque>
#include <optional>
#include <vector>

class LostBoardWatch;
class QWidget;

// The serial link to the sensor board. It takes every byte Qt receives into its own
// input queue, stamped with its arrival time, and raises OnRxChar on the GUI thread.
// Each failure has one route to the user: an operation the program calls raises
// Exception with a message for the user; what goes wrong between calls is a signal.
//
// A device that goes away while open (a USB adapter pulled out, the other side of a
// pseudo-terminal closed) closes the link and is reported once, through linkLost. When
// the same board can be recognised as it comes back (see LostBoardWatch), the link then
// re-opens it by itself with the same settings; closing the link or moving it to another
// port stops the looking. A read or write that fails while the device stays is reported
// through linkFault, and the link carries on.
class ComPort : public QObject
{
    Q_OBJECT
public:
    explicit ComPort(QObject *parent = nullptr);
    ~ComPort() override;

    const SerialSettings &settings() const { return m_settings; }
    /// The port as messages name it: the user's name and, where it helps, the device.
    QString portLabel() const;
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
    /// When the latest bytes arrived: every frame they complete was read then.
    Arrival LastArrival() const { return m_lastArrival; }
    /// Moves up to count waiting bytes into buffer, oldest first; returns how many.
    int Read(char *buffer, int count);
    /// Queues count bytes for sending; returns how many. Raises Exception when closed.
    int Write(const char *buffer, int count);

    /// Lets the user edit the settings in a modal dialog and applies what they confirm;
    /// true if they did.
    bool ShowSetupDialog(QWidget *parent = nullptr);

signals:
    /// Bytes arrived; count is the number now waiting.
    void OnRxChar(int count);
    void connectionChanged(bool open);
    void linkLost(const QString &message);
    void linkFault(const QString &message);

private:
    std::optional<OpenFailure> openDevice(const QString &device);
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    bool reopenSameDevice();
    void applyControlLines();
    void closeDevice();
    void reopenFoundBoard(const QString &device);

    SerialSettings m_settings;
    QSerialPort *m_port;
    LostBoardWatch *m_lostBoard;
    QString m_openedDevice; // the device node or link opened last
    QString m_label;        // how messages name it, found when it was opened
    bool m_openedPseudoTerminal = false;
    std::deque<ArrivedByte> m_input;
    QElapsedTimer m_sinceStart; // stamps arrivals
    Arrival m_lastArrival;
};
