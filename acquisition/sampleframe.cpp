#include "acquisition/sampleframe.h"

std::uint16_t rawReading(std::uint8_t byte0, std::uint8_t byte1)
{
    return static_cast<std::uint16_t>(((byte1 & 0x03u) << 8) | byte0);
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
