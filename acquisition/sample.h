#pragma once

#include "protocol/boardprotocol.h"

#include <cstdint>

/// One decoded frame, stamped once where it arrived: on the steady clock (for spans of
/// time, right across a change of the wall clock) and on the wall clock (for the time of
/// day), with the channel polled and the 10-bit reading. The voltage follows from the
/// reading.
struct Sample
{
    std::int64_t steadyNs; // steady_clock, nanoseconds
    std::int64_t wallMs;   // milliseconds since the epoch, UTC
    std::uint16_t reading; // 0..1023
    std::uint8_t channel;  // 1..5, 0 before the first poll

    float volts() const { return voltageFromRaw(reading); }
};

/// When bytes arrived, on both clocks.
struct Arrival
{
    std::int64_t steadyNs = 0;
    std::int64_t wallMs = 0;
};
