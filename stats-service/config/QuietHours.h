#pragma once

#include <cstdint>
#include <vector>

// Quiet hours: times when no event about a server is sent and the service shows it as in
// maintenance. A window is weekly (days, and a from and a to in the host's local time; a
// to before its from runs past midnight, and the days name the day a window starts) or
// one-off (a start and an end). Errors: none.
namespace lindrel::stats {

struct QuietWindow {
    std::vector<int> servers; // empty: every server
    unsigned days = 0;        // weekly: a bit a weekday, Sunday's the lowest; 0: one-off
    int from = 0;             // weekly: seconds after local midnight
    int to = 0;
    std::int64_t start = 0; // one-off: Unix seconds, from start to before end
    std::int64_t end = 0;
};

// The host's local time of an instant, as weekly windows read it.
struct LocalClock {
    int weekday = 0; // 0 Sunday to 6 Saturday
    int secondOfDay = 0;
};

bool IsQuiet(const std::vector<QuietWindow>& windows, int serverId, std::int64_t unixSeconds,
             LocalClock local);

} // namespace lindrel::stats
