#include "board.h"

#include "clock.h"

#include "protocol/boardprotocol.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace e2e {

Board::Board()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        fail("cannot open a pseudo-terminal");
    m_path = ptsname(m_master);
    // Held open so the line never hangs up between two programs' runs.
    m_slave = open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
}

Board::~Board()
{
    close(m_slave);
    close(m_master);
}

void Board::send(const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            fail("write to the pseudo-terminal failed");
        done += n > 0 ? size_t(n) : 0;
    }
}

void Board::drain()
{
    char buffer[256];
    const int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    while (read(m_master, buffer, sizeof buffer) > 0) {
    }
    fcntl(m_master, F_SETFL, flags);
}

std::string Board::frame(double volts)
{
    const Frame frame = frameForReading(readingForVoltage(volts));
    return {char(frame.byte0), char(frame.byte1)};
}

} // namespace e2e
