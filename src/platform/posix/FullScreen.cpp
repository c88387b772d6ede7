#include "platform/Platform.h"

#include <cstdlib>
#include <memory>
#include <string_view>
#include <xcb/xcb.h>

namespace lindrel::platform {

namespace {

struct ConnectionCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// A window property of 32-bit values (windows or atoms), at most maxValues of them.
ReplyPtr<xcb_get_property_reply_t> Property(xcb_connection_t* connection, xcb_window_t window,
                                            xcb_atom_t property, xcb_atom_t type,
                                            std::uint32_t maxValues) {
    return {xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, window, property, type, 0, maxValues),
                nullptr),
            &std::free};
}

} // namespace

bool UserIsInFullScreen() {
    // A window manager keeps a few states on a window; a longer list is not read.
    constexpr std::uint32_t kMaxStates = 64;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return false;
    }
    const Connection connection(xcb_connect(display, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) {
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data;
    const xcb_atom_t active = Atom(connection.get(), "_NET_ACTIVE_WINDOW");
    const xcb_atom_t state = Atom(connection.get(), "_NET_WM_STATE");
    const xcb_atom_t fullScreen = Atom(connection.get(), "_NET_WM_STATE_FULLSCREEN");
    if (screen == nullptr || active == XCB_ATOM_NONE || state == XCB_ATOM_NONE ||
        fullScreen == XCB_ATOM_NONE) {
        return false;
    }
    const auto activeReply = Property(connection.get(), screen->root, active, XCB_ATOM_WINDOW, 1);
    if (!activeReply || xcb_get_property_value_length(activeReply.get()) < 4) {
        return false;
    }
    const xcb_window_t window =
        *static_cast<const xcb_window_t*>(xcb_get_property_value(activeReply.get()));
    if (window == XCB_WINDOW_NONE) {
        return false;
    }
    const auto states = Property(connection.get(), window, state, XCB_ATOM_ATOM, kMaxStates);
    if (!states) {
        return false;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(states.get()));
    const int count = xcb_get_property_value_length(states.get()) / 4;
    for (int index = 0; index < count; ++index) {
        if (atoms[index] == fullScreen) {
            return true;
        }
    }
    return false;
}

} // namespace lindrel::platform
