#include "sim/waveform.h"

#include <cmath>

double voltageAt(const Waveform &wave, long step, std::mt19937 &noise)
{
    const double phase = static_cast<double>(step % wave.period) / wave.period;
    const double span = wave.high - wave.low;
    switch (wave.shape) {
    case Shape::Constant:
        break;
    case Shape::Ramp:
        return wave.low + span * phase;
    case Shape::Sine:
        return wave.low + span * (0.5 + 0.5 * std::sin(2.0 * M_PI * phase));
    case Shape::Square:
        return phase < 0.5 ? wave.high : wave.low;
    case Shape::Noise:
        return wave.low + span * std::uniform_real_distribution<double>(0.0, 1.0)(noise);
    }
    return wave.low;
}
