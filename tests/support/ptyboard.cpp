#include "support/ptyboard.h"

speed_t PtyBoard::lineSpeed() const
{
    termios settings{};
    ::tcgetattr(m_line.master(), &settings); // leaves it zeroed once unplugged
    return ::cfgetospeed(&settings);
}

std::vector<std::unique_ptr<PtyBoard>> boardsUpTo(const QString &device)
{
    // The kernel hands out the lowest free number.
    const auto number = [](const QString &path) { return path.section('/', -1).toInt(); };
    std::vector<std::unique_ptr<PtyBoard>> boards;
    do
        boards.push_back(std::make_unique<PtyBoard>());
    while (number(boards.back()->devicePath()) < number(device));
    return boards;
}
