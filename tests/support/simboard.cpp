#include "support/simboard.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

SimBoard::SimBoard(const QStringList &options)
{
    m_process.start(QStringLiteral(SENSOR_BOARD_SIM), options);
    if (m_process.waitForReadyRead(10000) || m_process.canReadLine())
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

SimBoard::~SimBoard()
{
    closePort();
    if (m_process.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
}

QString SimBoard::log()
{
    m_log += m_process.readAllStandardError();
    return QString::fromLocal8Bit(m_log);
}

bool SimBoard::waitForLog(const QString &lineStart, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QStringList lines = log().split('\n');
        for (const QString &line : lines)
            if (line.startsWith(lineStart))
                return true;
        if (deadline.hasExpired())
            return false;
        m_process.waitForReadyRead(50);
    }
}

int SimBoard::stop(int signal)
{
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
    if (!m_process.waitForFinished(10000) || m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    log();
    return m_process.exitCode();
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
        if (::poll(&in, 1, static_cast<int>(deadline.remainingTime())) != 1)
            continue;
        char buffer[4096];
        const ssize_t n =
            ::read(m_port, buffer, std::min<qsizetype>(sizeof buffer, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

bool SimBoard::hungUp(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        char byte;
        const ssize_t n = ::read(m_port, &byte, 1);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return true;
        QThread::msleep(20);
    }
    return false;
}
