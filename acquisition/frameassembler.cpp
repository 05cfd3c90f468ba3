#include "acquisition/frameassembler.h"

#include <algorithm>
#include <cstddef>

namespace {
constexpr std::size_t kFrameBytes = kFrameSize;
constexpr double kStrayGapInBytes = 4.0;
} // namespace

FramingResult FrameAssembler::take(const std::vector<ArrivedByte> &waiting) const
{
    if (waiting.size() < kFrameBytes)
        return {};
    if (waiting.size() == kFrameBytes)
        return {{{waiting[0].value, waiting[1].value}}, static_cast<int>(kFrameBytes), 0};
    return split(waiting);
}

FramingResult FrameAssembler::split(const std::vector<ArrivedByte> &waiting) const
{
    FramingResult result;
    const std::size_t count = waiting.size();
    std::size_t i = 0;
    // On a slow line a frame's two bytes are themselves far apart: a silence only counts
    // when it is longer than a few characters' time too.
    const double strayGapMs =
        std::max(static_cast<double>(m_strayGapMs), kStrayGapInBytes * m_byteTimeMs);
    std::size_t readEnd = 0; // one past the last byte of the read holding waiting[i + 1]
    while (i + 1 < count) {
        const ArrivedByte &first = waiting[i];
        const ArrivedByte &second = waiting[i + 1];
        const std::int64_t sinceFirst = second.arrivedMs - first.arrivedMs;
        if (static_cast<double>(sinceFirst) > strayGapMs) {
            // The bytes of that read were on the wire before it: not silence.
            readEnd = std::max(readEnd, i + 1);
            while (readEnd < count && waiting[readEnd].arrivedMs == second.arrivedMs)
                ++readEnd;
            const double wireMs = static_cast<double>(readEnd - (i + 1)) * m_byteTimeMs;
            if (static_cast<double>(sinceFirst) - wireMs > strayGapMs) {
                ++result.discarded;
                ++i;
                continue;
            }
        }
        result.frames.push_back({first.value, second.value});
        i += 2;
    }
    result.consumed = static_cast<int>(i);
    return result;
}
