#include "support/simboard.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

SimBoard::SimBoard(const QStringList &options)
{
    m_process.start(QStringLiteral(SENSOR_BOARD_SIM), options);
    if (m_process.waitForReadyRead(10000))
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

bool SimBoard::waitForLog(const QString &lineStart, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
        if (m_log.startsWith(lineStart) || m_log.contains('\n' + lineStart))
            return true;
    } while (m_process.waitForReadyRead(50) || !deadline.hasExpired());
    return false;
}

int SimBoard::stop(int signal)
{
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
    const bool ended =
        m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit;
    return ended ? m_process.exitCode() : -1;
}

bool SimBoard::openPort()
{
    m_port = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    return m_port >= 0;
}

void SimBoard::closePort()
{
    if (m_port >= 0)
        ::close(m_port);
    m_port = -1;
}

void SimBoard::send(const QByteArray &bytes)
{
    [[maybe_unused]] const ssize_t sent = ::write(m_port, bytes.constData(), bytes.size());
}

QByteArray SimBoard::receive(int count, int timeoutMs)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    while (bytes.size() < count && !deadline.hasExpired()) {
        pollfd in{m_port, POLLIN, 0};
        ::poll(&in, 1, static_cast<int>(deadline.remainingTime()));
        char buffer[4096];
        const ssize_t n =
            ::read(m_port, buffer, std::min<qsizetype>(sizeof buffer, count - bytes.size()));
        if (n > 0)
            bytes.append(buffer, n);
        else if (n == 0 || errno != EAGAIN)
            break;
    }
    return bytes;
}

bool SimBoard::hungUp()
{
    // Nothing is sent unasked, so a read that ends before its time is a hang-up.
    const QDeadlineTimer deadline(5000);
    return receive(1, 5000).isEmpty() && !deadline.hasExpired();
}
