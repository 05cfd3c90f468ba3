#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// The simulated board (sensor-board-sim) run by a test, and its device opened as a
// program would. QProcess kills it by its PID when this goes, pass or fail.
class SimBoard
{
public:
    explicit SimBoard(const QStringList &options = {});
    ~SimBoard() { closePort(); }

    /// The first line the simulator printed: the device to open.
    QString device() const { return m_device; }
    /// Waits up to timeoutMs for a log line starting with this text.
    bool waitForLog(const QString &lineStart, int timeoutMs = 10000);
    /// Sends a signal; the exit code, or -1 if it did not end normally.
    int stop(int signal);

    bool openPort();
    void closePort();
    void send(const QByteArray &bytes);
    /// Reads until count bytes came, the board hung up, or timeoutMs passed.
    QByteArray receive(int count, int timeoutMs = 3000);
    /// Whether the board hung up (the device reads end of file or fails) within 5 s.
    bool hungUp();

private:
    QProcess m_process;
    QString m_device;
    QString m_log;
    int m_port = -1;
};
