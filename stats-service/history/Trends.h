#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// What the status page and the JSON API show of the past, kept in memory so that showing
// it reads no file: per server, the most players of each five minutes of the last 24
// hours, and the uptime of each hour of them and of each of the last 30 days. A sample
// stands for the seconds since its server's previous one, at most five minutes, so that
// rows thinned in the history file weigh as much as the dense recent ones. It is kept for
// every watched server, so a server's share is small: under a kilobyte. Errors: none; a
// server without samples has no figures.
namespace lindrel::stats {

class Trends {
public:
    static constexpr std::size_t kChartSlots = 288; // five minutes each: 24 hours
    static constexpr std::int64_t kSlotSeconds = 300;
    static constexpr std::size_t kDays = 30;
    // The 24 hours' uptime: the hour under way and the 23 before it.
    static constexpr std::size_t kUptimeHours = 24;

    // One refresh's result for a server at wall-clock second `time`; one in the server's
    // quiet hours (inUptime false) goes into its chart, not into its uptime.
    void Add(int server, std::int64_t time, bool up, int players, bool inUptime = true);
    // Takes in the figures of an earlier period (the history file's, read at start).
    void Merge(const Trends& earlier);

    // The share of the time the server was up, over the 24 hours (kUptimeHours) or the 30
    // days before now; empty when nothing is known of that time.
    std::optional<double> Uptime24h(int server, std::int64_t now) const;
    std::optional<double> Uptime30d(int server, std::int64_t now) const;
    // The most players of each five minutes of the 24 hours ending at now, oldest first;
    // -1 where the server was not seen up.
    std::vector<int> Chart(int server, std::int64_t now) const;

private:
    // The last N periods (five minutes, hours, days), each in the entry of its index
    // modulo N: moving on to a newer period empties the entries it passes.
    template <typename Entry, std::size_t N> struct Ring {
        std::int64_t newest = -1; // the newest period's index
        std::array<Entry, N> entries{};
        Entry* At(std::int64_t index);               // null: older than the ring holds
        const Entry* Find(std::int64_t index) const; // null: not in the ring
    };
    template <typename Count> struct Seconds {
        Count up = 0;
        Count seen = 0;
    };
    struct Server {
        std::int64_t lastTime = 0;
        // The most players seen up, plus one; 0 where the server was not seen up.
        Ring<std::uint16_t, kChartSlots> players;
        Ring<Seconds<std::uint16_t>, kUptimeHours> hours;
        Ring<Seconds<std::uint32_t>, kDays> days;
    };

    std::unordered_map<int, Server> servers_;
};

} // namespace lindrel::stats
