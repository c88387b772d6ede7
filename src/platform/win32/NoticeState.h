#pragma once

namespace lindrel::platform::win32 {

// Whether a notice must wait, for a state SHQueryUserNotificationState gives (its
// QUERY_USER_NOTIFICATION_STATE values: 1 not present, 2 busy, 3 Direct3D full screen,
// 4 presentation mode, 5 accepts notifications, 6 quiet time, 7 a Windows Store app).
// Unknown values do not hold a notice back.
bool NoticesWait(int notificationState);

} // namespace lindrel::platform::win32
