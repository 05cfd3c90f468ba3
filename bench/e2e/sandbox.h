#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

// A program run in a bubblewrap sandbox in which `device` is /dev/ttyS1, as the launcher
// runs the viewer, with a lock directory of its own (so no other program's lock on ttyS1
// gets in the way). The sandbox dies with the harness.
class Sandboxed
{
public:
    Sandboxed(const std::vector<std::string> &argv, const std::string &device);
    ~Sandboxed();
    Sandboxed(const Sandboxed &) = delete;
    Sandboxed &operator=(const Sandboxed &) = delete;

    // When the sandbox was spawned, on the harness's clock.
    double started() const { return m_started; }
    pid_t pid() const { return m_child; }
    bool running() const;

    // CPU time of the program so far, in ms: the scheduler's count for each of its threads
    // (to the nanosecond), or utime + stime (to the clock tick) where that is not kept.
    double cpuMs() const;
    double rssMiB() const;

    // SIGTERM, then SIGKILL after 3 s.
    void stop();

private:
    double m_started = 0;
    pid_t m_bwrap = -1;
    pid_t m_child = -1;
    mutable bool m_ended = false;
};

} // namespace e2e
