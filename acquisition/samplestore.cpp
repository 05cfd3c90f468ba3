#include "acquisition/samplestore.h"

#include <algorithm>

namespace {
constexpr int kWallShift = 16;
constexpr std::int64_t kChannelMask = 0x7;
constexpr int kChannelShift = 10;
constexpr std::int64_t kReadingMask = 0x3FF;
} // namespace

static_assert(sizeof(std::int64_t) * 2 == 16, "a stored sample takes 16 bytes");

SampleStore::SampleStore(std::int64_t capacity)
    : m_capacity(std::max(capacity, kAlwaysKept + 1))
{}

SampleStore::Packed SampleStore::pack(const Sample &sample)
{
    const std::int64_t wall = std::max<std::int64_t>(sample.wallMs, 0);
    return {sample.steadyNs, wall * (std::int64_t(1) << kWallShift)
                                 | (std::int64_t(sample.channel) & kChannelMask) << kChannelShift
                                 | (std::int64_t(sample.reading) & kReadingMask)};
}

Sample SampleStore::unpack(const Packed &packed)
{
    const std::int64_t word = packed.wallChannelReading;
    return {packed.steadyNs, word >> kWallShift, std::uint16_t(word & kReadingMask),
            std::uint8_t(word >> kChannelShift & kChannelMask)};
}

void SampleStore::append(const Sample &sample)
{
    const Packed packed = pack(sample);
    ++m_count;
    if (m_count <= kAlwaysKept) {
        m_head.push_back(packed);
        return;
    }
    if (std::int64_t(m_ring.size()) < tailCapacity()) {
        m_ring.push_back(packed);
        return;
    }
    m_ring[m_ringStart] = packed; // the oldest after the first samples goes
    m_ringStart = (m_ringStart + 1) % m_ring.size();
    if (!m_events.empty()) // its event goes with it
        m_events.erase(m_tailFirst);
    ++m_tailFirst;
}

void SampleStore::clear()
{
    m_head.clear();
    m_head.shrink_to_fit();
    m_ring.clear();
    m_ring.shrink_to_fit();
    m_ringStart = 0;
    m_tailFirst = kAlwaysKept;
    m_count = 0;
    m_events.clear();
    m_timeOrigin.reset();
}

std::int64_t SampleStore::timeOrigin() const
{
    return m_timeOrigin ? *m_timeOrigin : isEmpty() ? 0 : at(0).steadyNs;
}

void SampleStore::markEvent(std::int64_t number, const QString &text)
{
    if (!holds(number))
        return;
    QString &marked = m_events[number];
    marked = marked.isEmpty() ? text : marked + QStringLiteral(" / ") + text;
}

QString SampleStore::eventAt(std::int64_t number) const
{
    const auto event = m_events.find(number);
    return event == m_events.end() ? QString() : event->second;
}

SampleStore::Gap SampleStore::dropped() const
{
    const std::int64_t headEnd = std::int64_t(m_head.size());
    return {headEnd, std::max(headEnd, m_count > headEnd ? m_tailFirst : headEnd)};
}

bool SampleStore::holds(std::int64_t number) const
{
    return number >= 0 && number < m_count
           && (number < std::int64_t(m_head.size()) || number >= m_tailFirst);
}

const SampleStore::Packed &SampleStore::tailAt(std::int64_t number) const
{
    return m_ring[(m_ringStart + std::size_t(number - m_tailFirst)) % m_ring.size()];
}

Sample SampleStore::at(std::int64_t number) const
{
    return unpack(number < std::int64_t(m_head.size()) ? m_head[std::size_t(number)]
                                                       : tailAt(number));
}

std::vector<Sample> SampleStore::samples() const
{
    std::vector<Sample> held;
    held.reserve(std::size_t(heldCount()));
    for (const Packed &packed : m_head)
        held.push_back(unpack(packed));
    for (std::int64_t number = m_tailFirst; number < m_count; ++number)
        held.push_back(unpack(tailAt(number)));
    return held;
}

std::int64_t SampleStore::firstAtOrAfter(std::int64_t steadyNs) const
{
    const auto before = [](const Packed &p, std::int64_t ns) { return p.steadyNs < ns; };
    const auto inHead = std::lower_bound(m_head.begin(), m_head.end(), steadyNs, before);
    if (inHead != m_head.end())
        return inHead - m_head.begin();
    // The ring, by its numbers: the samples' times grow with them.
    std::int64_t low = m_tailFirst;
    std::int64_t high = m_count;
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (tailAt(middle).steadyNs < steadyNs)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

std::int64_t SampleStore::nextHeld(std::int64_t number) const
{
    const std::int64_t next = number + 1;
    return next >= std::int64_t(m_head.size()) && next < m_tailFirst
               ? std::min(m_tailFirst, m_count)
               : std::min(next, m_count);
}

std::int64_t SampleStore::previousHeld(std::int64_t number) const
{
    const std::int64_t previous = std::min(number, m_count) - 1;
    return previous >= std::int64_t(m_head.size()) && previous < m_tailFirst
               ? std::int64_t(m_head.size()) - 1
               : previous;
}
