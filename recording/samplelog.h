#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <vector>

/// One decoded frame as it is kept: when it was read (on the wall clock and on the steady
/// one), the channel polled and the 10-bit reading. The voltage follows from the reading.
struct SampleRecord
{
    qint64 wallMs;         // milliseconds since the epoch, UTC
    qint64 steadyNs;       // steady_clock, nanoseconds
    std::uint16_t reading; // 0..1023
    std::uint8_t channel;  // 1..5, 0 before the first poll
};

// The samples since the last clear, for saving them all at once. Bounded so that a
// stream running for days holds a fixed amount of memory: beyond kCapacity samples
// (a day and a half at one a second, 3 MiB) the oldest go first. A ring: keeping a
// sample costs one store, at any rate.
class SampleLog
{
public:
    static constexpr std::size_t kCapacity = 131072;

    explicit SampleLog(std::size_t capacity = kCapacity);

    void append(const SampleRecord &sample);
    void clear();

    /// The samples kept, oldest first.
    std::vector<SampleRecord> samples() const;

private:
    std::size_t m_capacity;
    std::vector<SampleRecord> m_ring; // grows to the capacity, then wraps
    std::size_t m_oldest = 0;         // where the oldest is, once it has wrapped
};
