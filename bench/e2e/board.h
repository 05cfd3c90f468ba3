#pragma once

#include <string>

namespace e2e {

// The board's side of a pseudo-terminal whose other side the program opens as COM2.
class Board
{
public:
    Board();
    ~Board();
    Board(const Board &) = delete;
    Board &operator=(const Board &) = delete;

    // The device the program is given.
    const std::string &path() const { return m_path; }

    void send(const std::string &bytes);
    // Throws away whatever the program wrote (it sends nothing unless a channel is picked).
    void drain();

    // The two bytes the board sends for `volts`.
    static std::string frame(double volts);

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

} // namespace e2e
