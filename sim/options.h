#pragma once

#include "protocol/boardprotocol.h"
#include "sim/waveform.h"

#include <array>
#include <stdexcept>
#include <string>

struct Options
{
    std::array<Waveform, kChannelCount> channels;
    int replyDelayMs = 3;
    int strayEvery = 0; // every Nth answer is followed by a stray byte; 0: never
    bool answerTwice = false;
    double streamRate = 0.0;    // frames a second sent unasked; 0: none
    double garbageAfter = -1.0; // seconds from start; negative: never
    double unplugAfter = -1.0;
    double replugAfter = -1.0; // seconds after the unplug
    std::string link;          // a symlink kept pointing at the current pseudo-terminal
    bool help = false;
};

/// A command line the simulator cannot follow; what() says why, for the user.
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// Reads the command line; throws UsageError.
Options parseOptions(int argc, char **argv);
std::string helpText();
