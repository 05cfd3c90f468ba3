#pragma once

#include "acquisition/samplestore.h"

#include <QLocale>
#include <QStringList>

#include <optional>

// What the two cursors on the chart measure: each cursor's sample, and between them the
// time, the change in voltage and the statistics of the samples in between. Time is each
// sample's own arrival time, so a gap after an unplug counts as the time it lasted.

/// The statistics of a run of samples, in volts.
struct SpanStatistics
{
    std::int64_t count = 0;
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double rms = 0.0;
    /// With N − 1 in the denominator: not a number for a lone sample, which has no spread
    /// to estimate.
    double standardDeviation = 0.0;
};

/// The statistics of the held samples numbered `first` to `last`, both included, in one
/// pass (samples dropped from the store between them are not counted).
SpanStatistics spanStatistics(const SampleStore &store, std::int64_t first, std::int64_t last);

/// One cursor's sample.
struct CursorReading
{
    std::int64_t number = 0; // in the store, from 0
    double seconds = 0.0;    // since the store's first sample
    double volts = 0.0;
    std::int64_t wallMs = 0;
};

struct Measures
{
    std::optional<CursorReading> a;
    std::optional<CursorReading> b;
    // With both cursors placed: B less A, and over the samples from one to the other.
    double deltaSeconds = 0.0;
    double deltaVolts = 0.0;
    double voltsPerSecond = 0.0; // not a number when Δt is 0
    SpanStatistics span;

    bool isEmpty() const { return !a && !b; }
};

/// The measures of cursors on held samples `a` and `b` of `store` (either may be absent).
Measures measureBetween(const SampleStore &store, std::optional<std::int64_t> a,
                        std::optional<std::int64_t> b);

/// The measures as the chart's panel shows them, in a few short lines, numbers in
/// `locale`'s decimal separator.
QStringList panelLines(const Measures &measures, const QLocale &locale);

/// The measures as text to copy or read aloud: one a line, each named, with its unit.
QString measuresText(const Measures &measures, const QLocale &locale);
