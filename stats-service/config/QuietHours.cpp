#include "config/QuietHours.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

bool Covers(const QuietWindow& window, int serverId) {
    return window.servers.empty() || std::find(window.servers.begin(), window.servers.end(),
                                               serverId) != window.servers.end();
}

bool OnDay(const QuietWindow& window, int weekday) {
    return (window.days >> static_cast<unsigned>((weekday + 7) % 7) & 1u) != 0;
}

bool InWindow(const QuietWindow& window, std::int64_t unixSeconds, LocalClock local) {
    if (window.days == 0) {
        return unixSeconds >= window.start && unixSeconds < window.end;
    }
    const int now = local.secondOfDay;
    if (window.from < window.to) {
        return OnDay(window, local.weekday) && now >= window.from && now < window.to;
    }
    // Past midnight: the evening of a named day, or the morning after one.
    return (OnDay(window, local.weekday) && now >= window.from) ||
           (OnDay(window, local.weekday - 1) && now < window.to);
}

} // namespace

bool IsQuiet(const std::vector<QuietWindow>& windows, int serverId, std::int64_t unixSeconds,
             LocalClock local) {
    return std::any_of(windows.begin(), windows.end(), [&](const QuietWindow& window) {
        return Covers(window, serverId) && InWindow(window, unixSeconds, local);
    });
}

} // namespace lindrel::stats
