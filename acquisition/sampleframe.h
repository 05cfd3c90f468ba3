#pragma once

#include <cstdint>

// A sample frame is two bytes from the board, low byte first: byte 0 holds bits 7..0 of
// the 10-bit converter reading, bits 1..0 of byte 1 hold bits 9..8, the rest is ignored.
constexpr int kFrameSize = 2;
constexpr std::uint16_t kMaxRawReading = 1023;

/// The 10-bit converter reading carried by a frame.
std::uint16_t rawReading(std::uint8_t byte0, std::uint8_t byte1);

/// The reading in volts on the board's 5 V scale, computed in single precision as the
/// board's firmware documents it: raw * 5.0 * (1/1024). Every step is exact.
float voltageFromRaw(std::uint16_t raw);

/// Both steps at once.
float frameVoltage(std::uint8_t byte0, std::uint8_t byte1);
