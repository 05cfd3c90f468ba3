#include "support/ptyboard.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <utility>

PtyBoard::PtyBoard()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return; // both handles stay -1
    // Raw from the start: no echo, no newline translation before the program opens it.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyBoard::~PtyBoard()
{
    ::close(m_slave);
    unplug();
}

void PtyBoard::send(const QByteArray &bytes)
{
    pollfd out{m_master, POLLOUT, 0};
    for (qsizetype done = 0; m_master >= 0 && done < bytes.size();) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && (errno == EAGAIN || errno == EINTR))
            ::poll(&out, 1, 100); // the program has not read the last lot yet
        else
            return;
    }
}

QByteArray PtyBoard::takeReceived()
{
    QByteArray out;
    char buffer[4096];
    for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    return out;
}

void PtyBoard::unplug()
{
    ::close(std::exchange(m_master, -1)); // a second close just fails with EBADF
}

speed_t PtyBoard::lineSpeed() const
{
    termios settings{};
    ::tcgetattr(m_master, &settings); // leaves it zeroed once unplugged
    return ::cfgetospeed(&settings);
}
