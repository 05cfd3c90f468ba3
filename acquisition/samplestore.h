#pragma once

#include "acquisition/sample.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

/// The chart's fixed view runs from sample 0 to this one; the chart, the series and the
/// store all take it from here.
inline constexpr double kFixedSpanX = 100.0;

// The session's samples since the last clear: the one store that the chart draws from
// and a save writes from. Sample n (from 0) is the point at x = n.
//
// The first samples, those the fixed view shows (0 to 100), are always kept. Beyond them
// the store keeps the most recent samples up to its capacity, so that a stream running
// for days holds a fixed amount of memory: 16 bytes a sample, 2^20 samples (16 MiB, over
// 12 days at a sample a second) by default. Once it is full, the oldest samples after the
// first ones are dropped, and the store says which: they are a gap between the first
// samples and the rest.
//
// The events the user marked are kept with the samples they mark, and go with them.
class SampleStore
{
public:
    static constexpr std::int64_t kDefaultCapacity = std::int64_t(1) << 20;
    static constexpr std::int64_t kAlwaysKept = std::int64_t(kFixedSpanX) + 1;

    explicit SampleStore(std::int64_t capacity = kDefaultCapacity);

    void append(const Sample &sample);
    /// Forgets every sample and event: the next sample is sample 0 again.
    void clear();

    /// Marks held sample `number` with an event's text; a second mark on it joins the first.
    void markEvent(std::int64_t number, const QString &text);
    /// The events on held samples, by sample number.
    const std::map<std::int64_t, QString> &events() const { return m_events; }
    /// The event on sample `number`, empty if none.
    QString eventAt(std::int64_t number) const;

    /// Samples appended since the last clear: the next sample's number.
    std::int64_t count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    /// Samples held: count() less those dropped.
    std::int64_t heldCount() const { return std::int64_t(m_head.size()) + tailSize(); }

    /// The samples dropped, [first, end), empty (first == end) while none was.
    struct Gap
    {
        std::int64_t first = 0;
        std::int64_t end = 0;
        std::int64_t size() const { return end - first; }
    };
    Gap dropped() const;
    bool holds(std::int64_t number) const;
    /// A held sample.
    Sample at(std::int64_t number) const;
    /// The held samples, oldest first.
    std::vector<Sample> samples() const;

    /// Where the samples' time in seconds starts: the first sample's steady time, unless
    /// set otherwise (a recording's tempo_s runs from its own start).
    std::int64_t timeOrigin() const;
    void setTimeOrigin(std::int64_t steadyNs) { m_timeOrigin = steadyNs; }

    /// The first held sample at or after `steadyNs` (count() if none).
    std::int64_t firstAtOrAfter(std::int64_t steadyNs) const;
    /// The held sample after `number` (count() if none), across the gap.
    std::int64_t nextHeld(std::int64_t number) const;
    /// The held sample before `number` (-1 if none), across the gap.
    std::int64_t previousHeld(std::int64_t number) const;

private:
    // A sample in 16 bytes: the wall clock's milliseconds share a word with the channel
    // and the reading (48 bits of milliseconds last until the year 6000).
    struct Packed
    {
        std::int64_t steadyNs;
        std::int64_t wallChannelReading;
    };
    static Packed pack(const Sample &sample);
    static Sample unpack(const Packed &packed);
    std::int64_t tailSize() const { return m_count - m_tailFirst; }
    const Packed &tailAt(std::int64_t number) const;
    std::int64_t tailCapacity() const { return m_capacity - kAlwaysKept; }

    std::int64_t m_capacity;
    std::vector<Packed> m_head; // samples 0 .. kAlwaysKept - 1
    std::vector<Packed> m_ring; // the rest, the oldest at m_ringStart once it has wrapped
    std::size_t m_ringStart = 0;
    std::int64_t m_tailFirst = kAlwaysKept; // the oldest sample in the ring
    std::int64_t m_count = 0;
    std::map<std::int64_t, QString> m_events;
    std::optional<std::int64_t> m_timeOrigin;
};
