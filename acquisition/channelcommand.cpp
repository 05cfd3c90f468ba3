#include "acquisition/channelcommand.h"

std::optional<char> channelCommand(int position)
{
    if (position < 0 || position >= kChannelCount)
        return std::nullopt;
    return static_cast<char>('k' + position);
}
