#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <deque>

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
// (a day and a half at one a second, 3 MiB) the oldest go first.
class SampleLog
{
public:
    static constexpr std::size_t kCapacity = 131072;

    explicit SampleLog(std::size_t capacity = kCapacity);

    void append(const SampleRecord &sample);
    void clear();

    const std::deque<SampleRecord> &samples() const { return m_samples; }

private:
    std::size_t m_capacity;
    std::deque<SampleRecord> m_samples;
};
