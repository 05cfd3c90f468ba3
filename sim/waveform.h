#pragma once

#include <random>

// What one channel of the simulated board measures: a signal that advances one step per
// frame sent on that channel, so a viewer polling once a second sees one step a second.

enum class Shape { Constant, Ramp, Sine, Square, Noise };

struct Waveform
{
    Shape shape = Shape::Constant;
    double low = 0.0; // volts; a constant holds this level
    double high = 5.0;
    int period = 20; // samples
};

/// The channel's voltage at its step-th sample.
double voltageAt(const Waveform &wave, long step, std::mt19937 &noise);
