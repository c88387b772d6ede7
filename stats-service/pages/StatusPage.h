#pragma once

#include "history/Trends.h"
#include "watch/Registry.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The status page for people, at "/": every watched server with its name, map, players,
// ping, uptime and a chart of its players over 24 hours, drawn as inline SVG. One HTML5
// file without scripts or outside files, laid out for a phone as well as a desktop.
// Errors: none; every text of a game server is escaped.
namespace lindrel::stats {

// What the page and the JSON API show of one server.
struct ServerView {
    int id = 0;
    std::string name;
    std::string address;
    int gameType = 0;
    std::optional<bool> up; // empty until it has answered or been found down
    std::string map;
    int players = 0;
    int maxPlayers = 0;
    int pingMs = 0;
    std::optional<double> uptime24h;
    std::optional<double> uptime30d;
    std::vector<int> chart;   // Trends::Chart
    bool maintenance = false; // in its quiet hours
};

// The servers the configuration names (not those added by lookups), in its order; those
// in `quiet` in maintenance.
std::vector<ServerView> WatchedServers(const Registry& registry, const Trends& trends,
                                       std::int64_t now, const std::unordered_set<int>& quiet);

std::string StatusPageHtml(std::string_view title, const std::vector<ServerView>& servers,
                           std::int64_t now);
// The chart of one server: a line of its players, broken where it was down, over a line
// that gives its scale.
std::string ChartSvg(const std::vector<int>& chart, int maxPlayers);
// "2026-12-08 20:41 UTC"
std::string UtcMinute(std::int64_t seconds);

} // namespace lindrel::stats
