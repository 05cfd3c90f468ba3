#include "sim/pseudoterminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

std::runtime_error failure(const std::string &what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw failure("cannot open a pseudo-terminal");
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Programs started meanwhile must not hold the line open behind our back.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_device = name;
}

PseudoTerminal::~PseudoTerminal()
{
    releaseDevice();
    unplug();
}

void PseudoTerminal::releaseDevice()
{
    if (m_slave >= 0)
        ::close(std::exchange(m_slave, -1));
}

void PseudoTerminal::send(const std::string &bytes)
{
    if (m_master < 0)
        throw std::runtime_error(m_device + " is unplugged");
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd out{m_master, POLLOUT, 0};
            ::poll(&out, 1, 100); // the program has not read the last lot yet
        } else {
            throw failure("cannot write to " + m_device);
        }
    }
}

std::string PseudoTerminal::take()
{
    std::string taken;
    char buffer[4096];
    for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
        taken.append(buffer, size_t(n));
    return taken;
}

void PseudoTerminal::unplug()
{
    if (m_master >= 0)
        ::close(std::exchange(m_master, -1));
}
