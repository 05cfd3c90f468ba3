#include "ptyboard.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyBoard::PtyBoard()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw on both sides: no echo, no newline translation before the program opens it.
    termios raw {};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyBoard::~PtyBoard()
{
    releaseSlave();
    unplug();
}

void PtyBoard::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done,
                                  static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd out {m_master, POLLOUT, 0};
            ::poll(&out, 1, 100);
            continue;
        }
        if (n <= 0)
            return;
        done += n;
    }
}

QByteArray PtyBoard::takeReceived()
{
    QByteArray out;
    char buffer[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        out.append(buffer, n);
    }
    return out;
}

bool PtyBoard::programClosedDevice()
{
    if (m_master < 0 || m_slave >= 0)
        return false;
    // With no slave open, the master side reports a hang-up.
    pollfd in {m_master, POLLIN, 0};
    return ::poll(&in, 1, 0) == 1 && (in.revents & POLLHUP);
}

void PtyBoard::unplug()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void PtyBoard::releaseSlave()
{
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
}

termios PtyBoard::lineSettings() const
{
    termios settings {};
    if (m_master >= 0)
        ::tcgetattr(m_master, &settings);
    return settings;
}
