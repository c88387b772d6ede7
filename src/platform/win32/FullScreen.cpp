#include "platform/Platform.h"
#include "platform/win32/NoticeState.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace lindrel::platform {

namespace win32 {

bool NoticesWait(int notificationState) {
    switch (notificationState) {
    case QUNS_BUSY:
    case QUNS_RUNNING_D3D_FULL_SCREEN:
    case QUNS_PRESENTATION_MODE:
    case QUNS_QUIET_TIME:
        return true;
    default:
        return false; // not present (locked, another user), accepting, a store app
    }
}

} // namespace win32

bool UserIsInFullScreen() {
    QUERY_USER_NOTIFICATION_STATE state{};
    return SUCCEEDED(::SHQueryUserNotificationState(&state)) && win32::NoticesWait(state);
}

} // namespace lindrel::platform
