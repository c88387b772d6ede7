#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// What the status page and the JSON API show of the past, kept in memory so that showing
// it reads no file: per server, the players and uptime of each five minutes of the last
// 24 hours and the uptime of each of the last 30 days. A sample stands for the seconds
// since its server's previous one, at most five minutes, so that rows thinned in the
// history file weigh as much as the dense recent ones. Errors: none; a server without
// samples has no figures.
namespace lindrel::stats {

class Trends {
public:
    static constexpr std::size_t kChartSlots = 288; // five minutes each: 24 hours
    static constexpr std::int64_t kSlotSeconds = 300;
    static constexpr std::size_t kDays = 30;

    // One refresh's result for a server at wall-clock second `time`.
    void Add(int server, std::int64_t time, bool up, int players);
    // Takes in the figures of an earlier period (the history file's, read at start).
    void Merge(const Trends& earlier);

    // The share of the time the server was up, over the 24 hours or the 30 days before
    // now; empty when nothing is known of that time.
    std::optional<double> Uptime24h(int server, std::int64_t now) const;
    std::optional<double> Uptime30d(int server, std::int64_t now) const;
    // The most players of each five minutes of the 24 hours ending at now, oldest first;
    // -1 where the server was not seen up.
    std::vector<int> Chart(int server, std::int64_t now) const;

private:
    struct Slot {
        std::int32_t index = -1; // time / kSlotSeconds
        std::uint16_t maxPlayers = 0;
        std::uint16_t upSeconds = 0;
        std::uint16_t seenSeconds = 0;
        bool seenUp = false;
    };
    struct Day {
        std::int32_t index = -1; // time / 86400
        std::uint32_t upSeconds = 0;
        std::uint32_t seenSeconds = 0;
    };
    struct Server {
        std::int64_t lastTime = 0;
        std::array<Slot, kChartSlots> slots{};
        std::array<Day, kDays> days{};
    };

    std::unordered_map<int, Server> servers_;
};

} // namespace lindrel::stats
