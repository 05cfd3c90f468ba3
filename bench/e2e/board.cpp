#include "board.h"

#include "protocol/boardprotocol.h"

namespace e2e {

std::string frame(double volts)
{
    const Frame frame = frameForReading(readingForVoltage(volts));
    return {char(frame.byte0), char(frame.byte1)};
}

} // namespace e2e
