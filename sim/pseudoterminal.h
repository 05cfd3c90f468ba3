#pragma once

#include <string>

// The board's end of a serial line, on a pseudo-terminal: a program opens its device side
// as the board's serial device; whoever holds this reads the program's commands and writes
// the board's bytes on the master side. Plain POSIX, for the simulated board, the tests
// and the benchmark alike.
class PseudoTerminal
{
public:
    /// Opens one, raw (no echo, no newline translation) before any program opens it, with
    /// a master side that does not block. The device side is held open too, so the line
    /// does not hang up between two programs' runs. Throws std::runtime_error.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    /// The device a program opens, e.g. /dev/pts/3.
    const std::string &device() const { return m_device; }
    /// The master side, to poll and write on; -1 once unplugged.
    int master() const { return m_master; }
    /// Lets go of the device side: from then on only the programs that open it hold it, and
    /// the master side reports a hang-up (POLLHUP) while none does.
    void releaseDevice();
    /// Writes all of `bytes`, waiting while the program has not read the last lot. Throws
    /// std::runtime_error once the line is gone.
    void send(const std::string &bytes);
    /// What the program has written and nobody has taken yet; does not wait.
    std::string take();
    /// Closes the master side: to the program, the board pulled out.
    void unplug();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_device;
};
