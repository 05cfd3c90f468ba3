#include "acquisition/signalstate.h"

#include <limits>

float LastVoltage = 0.0f;
std::int32_t SampleIndex = 0;

SamplePosition nextSamplePosition(std::int32_t sampleIndex)
{
    if (sampleIndex >= std::numeric_limits<std::int32_t>::max() || sampleIndex < 0)
        return {0, true};
    return {sampleIndex, false};
}
