#include "screen.h"

#include "clock.h"

#include <xcb/damage.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace e2e {
namespace {

bool intersects(const xcb_rectangle_t &a, const Rect &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.width && a.y < b.y + b.h && b.y < a.y + a.height;
}

} // namespace

Screen::Screen()
    : m_c(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(m_c))
        fail("cannot connect to the X server named by DISPLAY");
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_c, &xcb_damage_id);
    if (!damage || !damage->present)
        fail("the X server has no DAMAGE extension");
    m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
    std::free(xcb_damage_query_version_reply(m_c, xcb_damage_query_version(m_c, 1, 1), nullptr));
    xcb_damage_create(m_c, xcb_generate_id(m_c), m_root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(m_c);
}

Screen::~Screen()
{
    xcb_disconnect(m_c);
}

void Screen::forgetDrawing()
{
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_c))
        std::free(event);
}

std::optional<double> Screen::waitForDrawing(const Rect &where, double untilMs)
{
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
            const bool hit =
                (event->response_type & 0x7f) == m_damageEvent
                && intersects(reinterpret_cast<xcb_damage_notify_event_t *>(event)->area, where);
            std::free(event);
            if (hit)
                return nowMs();
        }
        if (xcb_connection_has_error(m_c))
            fail("lost the X server");
        const double left = untilMs - nowMs();
        if (left <= 0)
            return std::nullopt;
        pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
        const timespec timeout{time_t(left / 1e3), long(std::fmod(left, 1e3) * 1e6)};
        ppoll(&fd, 1, &timeout, nullptr);
    }
}

std::vector<uint32_t> Screen::grab(Rect r)
{
    auto cookie = xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(r.x), int16_t(r.y),
                                uint16_t(r.w), uint16_t(r.h), ~0u);
    xcb_get_image_reply_t *reply = xcb_get_image_reply(m_c, cookie, nullptr);
    if (!reply)
        fail("GetImage failed");
    std::vector<uint32_t> pixels(size_t(r.w) * size_t(r.h));
    const size_t bytes = std::min(size_t(xcb_get_image_data_length(reply)), pixels.size() * 4);
    std::memcpy(pixels.data(), xcb_get_image_data(reply), bytes);
    std::free(reply);
    for (uint32_t &p : pixels)
        p &= 0xffffff;
    return pixels;
}

void Screen::movePointer(int x, int y)
{
    xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, int16_t(x), int16_t(y),
                        0);
    xcb_flush(m_c);
}

void Screen::click(int x, int y)
{
    movePointer(x, y);
    xcb_test_fake_input(m_c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(m_c);
}

int channelDiff(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
    return most;
}

} // namespace e2e
