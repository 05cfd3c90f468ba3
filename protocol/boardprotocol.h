#pragma once

#include <cstdint>
#include <optional>

// The sensor board's wire protocol, for both sides of the line: the host polls a channel
// with one command byte, and the board answers with a two-byte frame carrying a 10-bit
// reading on a 5 V scale.

// Channels, host to board: one byte per poll, 'k' for the first channel, then 'l', 'm',
// 'n', 'o'. No other byte is ever sent to the board.
constexpr int kChannelCount = 5;
constexpr char kFirstChannelCommand = 'k';

/// The command byte for the 0-based channel position, or nothing outside 0..4.
std::optional<char> channelCommand(int position);
/// The 0-based channel position a command byte polls, or nothing for any other byte.
std::optional<int> channelForCommand(unsigned char command);

// Frames, board to host: two bytes, low byte first, no header and no checksum. byte0
// holds bits 7..0 of the reading, bits 1..0 of byte1 hold bits 9..8, the rest of byte1
// is ignored.
constexpr int kFrameSize = 2;
constexpr std::uint16_t kMaxRawReading = 1023;

struct Frame
{
    std::uint8_t byte0;
    std::uint8_t byte1;
};

/// The 10-bit reading a frame carries: ((byte1 & 3) << 8) | byte0, 0..1023.
std::uint16_t rawReading(std::uint8_t byte0, std::uint8_t byte1);
/// The frame the board sends for a reading; a reading above 1023 is sent as 1023.
Frame frameForReading(std::uint16_t reading);

/// The reading in volts on the 5 V scale, computed in single precision as the board's
/// firmware documents it: raw * 5.0 * (1/1024). Every step is exact.
float voltageFromRaw(std::uint16_t raw);
/// The voltage a frame carries: rawReading, then voltageFromRaw.
float frameVoltage(std::uint8_t byte0, std::uint8_t byte1);
/// The board's reading of a voltage: volts * 1024 / 5 rounded to the nearest, clamped to
/// 0..1023. voltageFromRaw's values read back as the same reading.
std::uint16_t readingForVoltage(double volts);

// The line's timing. The board's line is 19200 baud, 8N1: a start bit, 8 data bits and
// a stop bit make 10 bits a character.
constexpr int kDefaultBaudRate = 19200;
constexpr int kDefaultBitsPerCharacter = 10;

/// Milliseconds one character takes on the wire: bitsPerCharacter * 1000 / baudRate
/// (start, data, parity and stop bits); 0 for a line without a known speed.
constexpr double byteTimeMs(int baudRate, int bitsPerCharacter)
{
    return baudRate > 0 ? bitsPerCharacter * 1000.0 / baudRate : 0.0;
}

/// One character's time on the board's default line, about 0.52 ms.
constexpr double kDefaultByteTimeMs = byteTimeMs(kDefaultBaudRate, kDefaultBitsPerCharacter);
