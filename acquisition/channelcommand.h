#pragma once

#include <optional>

// The board's five channels are polled with one byte each: 'k' for the first, then
// 'l', 'm', 'n', 'o'. No other byte is ever sent to the board.
constexpr int kChannelCount = 5;

/// The command byte for the 0-based channel position, or nothing outside 0..4.
std::optional<char> channelCommand(int position);
