// Times a tray program from its start to the moment the tray embeds its icon, without
// disturbing it: it waits on the X server's events (the icon window leaving the root for
// the tray's socket) instead of looking again and again.
//
//   lindrel-tray-watch LIMIT_MS PROGRAM [ARGUMENTS...]
//
// Prints the milliseconds to standard output, then ends the program (SIGTERM) and reaps
// it. Exit status 1 when the icon did not come within LIMIT_MS.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

extern char** environ;

namespace {

// A tray icon is small; a window manager's frame or a program's own window is not.
constexpr int kMaxIconSide = 64;

bool IsIconSized(xcb_connection_t* connection, xcb_window_t window) {
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    return geometry && geometry->width <= kMaxIconSide && geometry->height <= kMaxIconSide;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: lindrel-tray-watch LIMIT_MS PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const auto limit = std::chrono::milliseconds(std::atol(argv[1]));
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked, so the selection is in force before the program starts.
    if (xcb_generic_error_t* error = xcb_request_check(
            connection,
            xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask))) {
        std::free(error);
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 2;
    }
    const auto deadline = start + limit;
    bool embedded = false;
    std::chrono::steady_clock::time_point at;
    while (!embedded && std::chrono::steady_clock::now() < deadline) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event == nullptr) {
            if (xcb_connection_has_error(connection) != 0) {
                break;
            }
            pollfd ready{xcb_get_file_descriptor(connection), POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            ::poll(&ready, 1, static_cast<int>(std::max<long>(left.count(), 0)));
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_REPARENT_NOTIFY) {
            at = std::chrono::steady_clock::now();
            const auto* reparent = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
            embedded = reparent->parent != root && IsIconSized(connection, reparent->window);
        }
        std::free(event);
    }
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    if (!embedded) {
        return 1;
    }
    std::printf("%.1f\n", std::chrono::duration<double, std::milli>(at - start).count());
    return 0;
}
