#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The simulated board (sensor-board-sim) run by a test, and its device opened as a
// program would open it. The process is ended by its PID when this goes, pass or fail.
class SimBoard
{
public:
    explicit SimBoard(const QStringList &options = {});
    ~SimBoard();
    SimBoard(const SimBoard &) = delete;
    SimBoard &operator=(const SimBoard &) = delete;

    /// The first line the simulator printed: the device to open.
    QString device() const { return m_device; }
    /// Everything it has logged so far.
    QString log();
    /// Waits up to timeoutMs for a log line starting with this text.
    bool waitForLog(const QString &lineStart, int timeoutMs = 10000);
    /// Sends a signal and returns the exit code, or -1 if it did not end normally.
    int stop(int signal);
    qint64 pid() const { return m_process.processId(); }

    /// Opens the device raw; false when it cannot.
    bool openPort();
    void closePort();
    void send(const QByteArray &bytes);
    /// Reads until count bytes came or timeoutMs passed.
    QByteArray receive(int count, int timeoutMs = 3000);
    /// Whether the board hung up (the device reads end of file or fails) within timeoutMs.
    bool hungUp(int timeoutMs = 5000);

private:
    QProcess m_process;
    QString m_device;
    QByteArray m_log;
    int m_port = -1;
};
