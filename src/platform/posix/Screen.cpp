#include "platform/Platform.h"

namespace lindrel::platform {

std::optional<ScreenSize> FullScreenSize() {
    return std::nullopt; // the window toolkit knows the desktop's panels
}

} // namespace lindrel::platform
