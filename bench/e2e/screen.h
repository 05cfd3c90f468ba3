#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace e2e {

struct Rect
{
    int x, y, w, h;
};

// The screen, read back through the X server. The server reports every drawing on the
// screen (DAMAGE), so watching a region costs nothing until something is drawn there;
// the pixels are then read to see what it was.
class Screen
{
public:
    Screen();
    ~Screen();
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;

    // Forgets what was drawn so far.
    void forgetDrawing();
    // The time something is drawn over `where`, or nothing by `untilMs`.
    std::optional<double> waitForDrawing(const Rect &where, double untilMs);

    // The pixels of `r`, row by row, as 0xRRGGBB.
    std::vector<uint32_t> grab(Rect r);
    uint32_t pixel(int x, int y) { return grab({x, y, 1, 1})[0]; }

    // The pointer moved, and a left click, as a person's mouse makes them (XTEST, as
    // xdotool does).
    void movePointer(int x, int y);
    void click(int x, int y);

private:
    xcb_connection_t *m_c;
    xcb_window_t m_root;
    uint8_t m_damageEvent = 0;
};

// The largest difference between two pixels in any one colour channel, 0 to 255.
int channelDiff(uint32_t a, uint32_t b);

} // namespace e2e
