#include "platform/Platform.h"

#include <cstdlib>
#include <limits>
#include <memory>
#include <xcb/shape.h>
#include <xcb/xcb.h>

namespace lindrel::platform {

bool ShapeWindow(std::uintptr_t window, const std::vector<PixelRect>& rects) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0' || window == 0 ||
        window > std::numeric_limits<xcb_window_t>::max()) {
        return false;
    }
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()) != 0) {
        return false;
    }
    const xcb_query_extension_reply_t* shape =
        xcb_get_extension_data(connection.get(), &xcb_shape_id);
    if (shape == nullptr || shape->present == 0) {
        return false;
    }
    std::vector<xcb_rectangle_t> shapes;
    shapes.reserve(rects.size());
    for (const PixelRect& rect : rects) {
        shapes.push_back({static_cast<std::int16_t>(rect.x), static_cast<std::int16_t>(rect.y),
                          static_cast<std::uint16_t>(rect.width),
                          static_cast<std::uint16_t>(rect.height)});
    }
    // Checked, so that a window that is not there is told, not left to a later error.
    const xcb_void_cookie_t done = xcb_shape_rectangles_checked(
        connection.get(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
        static_cast<xcb_window_t>(window), 0, 0, static_cast<std::uint32_t>(shapes.size()),
        shapes.data());
    const std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(connection.get(), done), &std::free);
    return error == nullptr;
}

} // namespace lindrel::platform
