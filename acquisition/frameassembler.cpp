#include "frameassembler.h"

#include <cstddef>

namespace {
constexpr std::size_t kFrameBytes = 2;
}

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
    while (i + 1 < count) {
        const ArrivedByte &first = waiting[i];
        const ArrivedByte &second = waiting[i + 1];
        if (second.arrivedMs - first.arrivedMs > m_strayGapMs) {
            ++result.discarded;
            ++i;
            continue;
        }
        result.frames.push_back({first.value, second.value});
        i += 2;
    }
    result.consumed = static_cast<int>(i);
    return result;
}
