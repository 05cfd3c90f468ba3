#pragma once

#include "protocol/boardprotocol.h"
#include "sim/options.h"
#include "sim/pseudoterminal.h"

#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <random>
#include <string>

// The board on the master side of a pseudo-terminal: answers commands, plays the
// misbehaviours asked for, and logs every event to stderr, one line each.
class Board
{
public:
    explicit Board(const Options &options);
    ~Board();
    Board(const Board &) = delete;
    Board &operator=(const Board &) = delete;

    /// Opens the first pseudo-terminal; returns what a program should open (the link, if
    /// asked for). Throws std::runtime_error.
    std::string plugIn();
    /// Plays the board until stopFd becomes readable.
    void run(int stopFd);

private:
    using Clock = std::chrono::steady_clock;

    void openPty();
    void unplug();
    void pointLink();
    void removeLink();
    void watchDevice();
    void readCommands(Clock::time_point now);
    void answer(int channel);
    void stream(Clock::time_point now);
    void flush();
    Frame nextFrame(int channel);
    void send(Frame frame);

    Options m_options;
    std::optional<PseudoTerminal> m_line; // none while unplugged
    bool m_linkMade = false;              // the link at m_options.link is ours
    bool m_deviceOpen = false;            // some program holds the slave side
    Clock::time_point m_start;
    Clock::time_point m_replugAt = Clock::time_point::max();
    bool m_garbageSent = false;
    bool m_unplugged = false;

    std::deque<std::pair<Clock::time_point, int>> m_replies; // when, channel
    std::array<long, kChannelCount> m_steps{};
    long m_answers = 0;
    std::string m_output; // bytes not yet taken by the pseudo-terminal
    std::mt19937 m_random{20240607};

    int m_streamChannel = 0;
    Clock::time_point m_streamStart;
    long m_streamSent = 0;
    long m_streamFrames = 0; // since the last log line
    Clock::time_point m_streamLogAt;
};
