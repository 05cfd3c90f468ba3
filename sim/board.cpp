#include "sim/board.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned char kStrayByte = 0x5a;
constexpr int kGarbageBytes = 64;
// Enough queued output for a few milliseconds of the fastest stream; beyond that the
// stream waits for the reader instead of piling up.
constexpr size_t kOutputLimit = 16384;
constexpr auto kDeviceCheck = std::chrono::milliseconds(20);

using Seconds = std::chrono::duration<double>;

std::string errorText(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

// The path may be anyone's: a link of another simulator, a file, a device.
std::runtime_error pathInTheWay(const std::string &path)
{
    return std::runtime_error(path
                              + " already exists, and the simulator replaces nothing it did "
                                "not make: remove it, or give --link a path where nothing is");
}

} // namespace

Board::Board(const Options &options)
    : m_options(options)
{}

Board::~Board()
{
    removeLink();
}

std::string Board::plugIn()
{
    if (!m_options.link.empty()) {
        // Refused before anything is opened.
        struct stat info = {};
        if (::lstat(m_options.link.c_str(), &info) == 0)
            throw pathInTheWay(m_options.link);
    }
    m_start = Clock::now();
    openPty();
    return m_options.link.empty() ? m_line->device() : m_options.link;
}

void Board::openPty()
{
    m_line.emplace();
    m_line->releaseDevice(); // only the program on the other side holds it from now on
    m_deviceOpen = false;
    std::fprintf(stderr, "device %s\n", m_line->device().c_str());
    pointLink();
}

void Board::pointLink()
{
    if (m_options.link.empty())
        return;
    // Only where nothing is: after an unplug, something else may have taken the path.
    if (::symlink(m_line->device().c_str(), m_options.link.c_str()) != 0) {
        if (errno == EEXIST)
            throw pathInTheWay(m_options.link);
        throw std::runtime_error(errorText("cannot make the link " + m_options.link));
    }
    m_linkMade = true;
    std::fprintf(stderr, "link %s -> %s\n", m_options.link.c_str(), m_line->device().c_str());
}

void Board::removeLink()
{
    // Our own link only, and only while it points where we put it: whoever has replaced
    // it since keeps theirs.
    if (!m_linkMade)
        return;
    m_linkMade = false;
    char target[PATH_MAX];
    const ssize_t length = ::readlink(m_options.link.c_str(), target, sizeof target);
    if (length > 0 && std::string(target, static_cast<size_t>(length)) == m_line->device())
        ::unlink(m_options.link.c_str());
}

void Board::unplug()
{
    // Removed first: a later pseudo-terminal may reuse the number it pointed at.
    removeLink();
    m_line.reset();
    m_deviceOpen = false;
    m_output.clear();
    m_replies.clear();
    m_unplugged = true;
    std::fprintf(stderr, "unplugged\n");
    if (m_options.replugAfter >= 0)
        m_replugAt = Clock::now()
                     + std::chrono::duration_cast<Clock::duration>(Seconds(m_options.replugAfter));
}

void Board::watchDevice()
{
    // With no slave open anywhere, the master reports a hang-up.
    pollfd master{m_line->master(), POLLIN, 0};
    ::poll(&master, 1, 0);
    const bool open = !(master.revents & POLLHUP);
    if (open == m_deviceOpen)
        return;
    m_deviceOpen = open;
    std::fprintf(stderr, open ? "device opened\n" : "device closed\n");
    if (open) {
        m_streamStart = Clock::now();
        m_streamSent = 0;
    }
}

Frame Board::nextFrame(int channel)
{
    const Waveform &wave = m_options.channels[channel];
    return frameForReading(readingForVoltage(voltageAt(wave, m_steps[channel]++, m_random)));
}

void Board::send(Frame frame)
{
    m_output += static_cast<char>(frame.byte0);
    m_output += static_cast<char>(frame.byte1);
}

void Board::answer(int channel)
{
    const Frame frame = nextFrame(channel);
    const std::uint16_t reading = rawReading(frame.byte0, frame.byte1);
    const int times = m_options.answerTwice ? 2 : 1;
    for (int i = 0; i < times; ++i) {
        send(frame);
        std::fprintf(stderr, "tx %02x %02x channel %d reading %d %.3f V%s\n", frame.byte0,
                     frame.byte1, channel + 1, reading, voltageFromRaw(reading),
                     i > 0 ? " again" : "");
    }
    if (m_options.strayEvery > 0 && ++m_answers % m_options.strayEvery == 0) {
        m_output += static_cast<char>(kStrayByte);
        std::fprintf(stderr, "stray %02x\n", kStrayByte);
    }
}

void Board::readCommands(Clock::time_point now)
{
    for (const char received : m_line->take()) {
        const auto byte = static_cast<unsigned char>(received);
        if (const std::optional<int> channel = channelForCommand(byte)) {
            std::fprintf(stderr, "rx %02x %c channel %d\n", byte, byte, *channel + 1);
            m_replies.emplace_back(now + std::chrono::milliseconds(m_options.replyDelayMs),
                                   *channel);
            m_streamChannel = *channel;
        } else {
            std::fprintf(stderr, "rx %02x ignored\n", byte);
        }
    }
}

void Board::stream(Clock::time_point now)
{
    const double rate = m_options.streamRate;
    long due = static_cast<long>(Seconds(now - m_streamStart).count() * rate);
    // A reader that fell behind by more than a tenth of a second is not flooded to catch up.
    const long backlog = static_cast<long>(rate / 10) + 1;
    if (due - m_streamSent > backlog)
        m_streamSent = due - backlog;
    for (; m_streamSent < due && m_output.size() < kOutputLimit; ++m_streamSent) {
        send(nextFrame(m_streamChannel));
        ++m_streamFrames;
    }
    // One line a second: a line a frame would drown the log.
    if (now >= m_streamLogAt) {
        if (m_streamFrames > 0)
            std::fprintf(stderr, "tx stream %ld frames of channel %d\n", m_streamFrames,
                         m_streamChannel + 1);
        m_streamFrames = 0;
        m_streamLogAt = now + std::chrono::seconds(1);
    }
}

void Board::flush()
{
    while (!m_output.empty()) {
        const ssize_t n = ::write(m_line->master(), m_output.data(), m_output.size());
        if (n > 0) {
            m_output.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0 && errno != EAGAIN) {
                std::fprintf(stderr, "dropped %zu bytes: %s\n", m_output.size(),
                             std::strerror(errno));
                m_output.clear();
            }
            return;
        }
    }
}

void Board::run(int stopFd)
{
    const auto after = [this](double seconds) {
        return m_start + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
    };
    for (;;) {
        const Clock::time_point now = Clock::now();
        Clock::time_point wake = now + std::chrono::seconds(1);

        if (m_options.unplugAfter >= 0 && !m_unplugged) {
            if (now >= after(m_options.unplugAfter))
                unplug();
            else
                wake = std::min(wake, after(m_options.unplugAfter));
        }
        if (!m_line && now >= m_replugAt) {
            m_replugAt = Clock::time_point::max();
            openPty();
            std::fprintf(stderr, "replugged\n");
        }
        wake = std::min(wake, m_replugAt);

        if (m_line) {
            watchDevice();
            if (m_options.garbageAfter >= 0 && !m_garbageSent) {
                if (now >= after(m_options.garbageAfter)) {
                    for (int i = 0; i < kGarbageBytes; ++i)
                        m_output += static_cast<char>(m_random() & 0xff);
                    m_garbageSent = true;
                    std::fprintf(stderr, "garbage %d bytes\n", kGarbageBytes);
                } else {
                    wake = std::min(wake, after(m_options.garbageAfter));
                }
            }
            while (!m_replies.empty() && m_replies.front().first <= now) {
                answer(m_replies.front().second);
                m_replies.pop_front();
            }
            if (!m_replies.empty())
                wake = std::min(wake, m_replies.front().first);
            if (m_options.streamRate > 0 && m_deviceOpen) {
                stream(now);
                // In batches of at least a millisecond: a frame every few microseconds
                // is too often to wake for.
                const auto next = m_streamStart
                                  + std::chrono::duration_cast<Clock::duration>(
                                      Seconds((m_streamSent + 1) / m_options.streamRate));
                wake = std::min(wake, std::max(next, now + std::chrono::milliseconds(1)));
            }
            flush();
            if (!m_deviceOpen)
                wake = std::min(wake, now + kDeviceCheck);
        }

        pollfd fds[2] = {{stopFd, POLLIN, 0}, {-1, 0, 0}};
        if (m_line && m_deviceOpen)
            fds[1] = {m_line->master(),
                      static_cast<short>(POLLIN | (m_output.empty() ? 0 : POLLOUT)), 0};
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now());
        const int timeout = static_cast<int>(std::max<long>(0, wait.count()));
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
            throw std::runtime_error(errorText("poll"));
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN)
            readCommands(Clock::now());
    }
}
