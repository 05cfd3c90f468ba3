#include "clock.h"

#include <cerrno>
#include <stdexcept>
#include <time.h>

namespace e2e {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void sleepUntil(double ms)
{
    timespec ts{};
    ts.tv_sec = time_t(ms / 1e3);
    ts.tv_nsec = long((ms - double(ts.tv_sec) * 1e3) * 1e6);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void sleepMs(double ms)
{
    sleepUntil(nowMs() + ms);
}

void fail(const std::string &what)
{
    throw std::runtime_error(what);
}

} // namespace e2e
