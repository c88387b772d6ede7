#include "platform/Platform.h"

#include <windows.h>

namespace lindrel::platform {

std::optional<ScreenSize> FullScreenSize() {
    const int width = ::GetSystemMetrics(SM_CXFULLSCREEN);
    const int height = ::GetSystemMetrics(SM_CYFULLSCREEN);
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    return ScreenSize{width, height};
}

std::string PreferredWindowSystem() {
    return {}; // a DISPLAY that wine passes through means nothing to Qt on Windows
}

} // namespace lindrel::platform
