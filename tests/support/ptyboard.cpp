#include "support/ptyboard.h"

speed_t PtyBoard::lineSpeed() const
{
    termios settings{};
    ::tcgetattr(m_line.master(), &settings); // leaves it zeroed once unplugged
    return ::cfgetospeed(&settings);
}
