#include "platform/Platform.h"

#include <cstdlib>

namespace lindrel::platform {

std::optional<ScreenSize> FullScreenSize() {
    return std::nullopt; // the window toolkit knows the desktop's panels
}

std::string PreferredWindowSystem() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0' ? "xcb" : "";
}

} // namespace lindrel::platform
