#pragma once

#include <string>

// The harness's one clock: the monotonic clock, in milliseconds.
namespace e2e {

double nowMs();
void sleepUntil(double ms);
void sleepMs(double ms);

// Every part gives up the same way: main() prints the reason and exits non-zero.
[[noreturn]] void fail(const std::string &what);

} // namespace e2e
