#include "protocol/boardprotocol.h"

#include <algorithm>
#include <cmath>

std::optional<char> channelCommand(int position)
{
    if (position < 0 || position >= kChannelCount)
        return std::nullopt;
    return static_cast<char>(kFirstChannelCommand + position);
}

std::optional<int> channelForCommand(unsigned char command)
{
    const int position = command - static_cast<unsigned char>(kFirstChannelCommand);
    if (position < 0 || position >= kChannelCount)
        return std::nullopt;
    return position;
}

std::uint16_t rawReading(std::uint8_t byte0, std::uint8_t byte1)
{
    return static_cast<std::uint16_t>(((byte1 & 0x03u) << 8) | byte0);
}

Frame frameForReading(std::uint16_t reading)
{
    const std::uint16_t sent = std::min(reading, kMaxRawReading);
    return {static_cast<std::uint8_t>(sent & 0xFFu), static_cast<std::uint8_t>(sent >> 8)};
}

float voltageFromRaw(std::uint16_t raw)
{
    const float reading = static_cast<float>(raw & kMaxRawReading);
    return reading * 5.0f * 0.0009765625f;
}

float frameVoltage(std::uint8_t byte0, std::uint8_t byte1)
{
    return voltageFromRaw(rawReading(byte0, byte1));
}

std::uint16_t readingForVoltage(double volts)
{
    if (!(volts > 0.0)) // below the scale, or not a number
        return 0;
    const double steps = std::min(volts, 5.0) * 1024.0 / 5.0;
    return std::min(static_cast<std::uint16_t>(std::lround(steps)), kMaxRawReading);
}
