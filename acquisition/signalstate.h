#pragma once

#include <cstdint>

// The acquisition state lives for the whole program: the voltage of the latest frame
// and the x position of the next point. Only the GUI thread touches them.
extern float LastVoltage;
extern std::int32_t SampleIndex;

/// Where the next point goes. The counter never overflows: once it has run out (at
/// 2^31-1), the trace starts afresh, as after a clear, and the point lands at x = 0.
struct SamplePosition
{
    std::int32_t x;
    bool restartTrace; // the caller empties the series before placing the point
};
SamplePosition nextSamplePosition(std::int32_t sampleIndex);
