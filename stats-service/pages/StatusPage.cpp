#include "pages/StatusPage.h"

#include "base/Encoding.h"
#include "base/Version.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace lindrel::stats {

namespace {

constexpr int kChartHeight = 50;

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:0;padding:1em;background:#111;color:#eee}"
    "h1{font-size:1.4em;margin:0 0 .6em}"
    "ul{list-style:none;padding:0;margin:0;display:grid;gap:1em;"
    "grid-template-columns:repeat(auto-fill,minmax(17em,1fr))}"
    "li{background:#222;border-radius:6px;padding:.8em;border-left:6px solid #777}"
    "li.up{border-left-color:#3c3}li.down{border-left-color:#d33}"
    "li.maintenance{border-left-color:#999}"
    "h2{font-size:1.1em;margin:0 0 .4em;overflow-wrap:anywhere}"
    "dl{display:grid;grid-template-columns:auto 1fr;gap:.15em .8em;margin:0 0 .6em}"
    "dt{color:#aaa}dd{margin:0;overflow-wrap:anywhere}"
    "svg{display:block;width:100%;height:4em;background:#181818}"
    "p{margin:.2em 0 0;color:#aaa;font-size:.8em}"
    "polyline{fill:none;stroke:#fc3;stroke-width:2;vector-effect:non-scaling-stroke}"
    "footer{margin-top:1em;color:#888;font-size:.8em}";

std::string Percent(const std::optional<double>& share) {
    if (!share) {
        return "not known yet";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", *share * 100);
    return text;
}

std::string Item(std::string_view term, std::string_view escapedValue) {
    return "<dt>" + std::string(term) + "</dt><dd>" + std::string(escapedValue) + "</dd>";
}

} // namespace

std::vector<ServerView> WatchedServers(const Registry& registry, const Trends& trends,
                                       std::int64_t now, const std::unordered_set<int>& quiet) {
    std::vector<ServerView> views;
    for (const GameServer& server : registry.servers()) {
        if (server.registered) {
            continue;
        }
        ServerView view;
        view.id = server.id;
        view.name = server.Name();
        view.address = server.Endpoint();
        view.gameType = server.gameType;
        if (server.Known()) {
            view.up = server.Up();
        }
        if (server.Up()) {
            view.map = server.status.map;
            view.players = OnlineCount(server.status);
            view.pingMs = server.pingMs;
        }
        view.maxPlayers = server.lastMaxClients;
        view.uptime24h = trends.Uptime24h(server.id, now);
        view.uptime30d = trends.Uptime30d(server.id, now);
        view.chart = trends.Chart(server.id, now);
        view.maintenance = quiet.contains(server.id);
        views.push_back(std::move(view));
    }
    return views;
}

std::string ChartSvg(const std::vector<int>& chart, int maxPlayers) {
    const int most = chart.empty() ? 0 : *std::max_element(chart.begin(), chart.end());
    const int peak = std::max({1, maxPlayers, most});
    std::string svg = "<svg viewBox=\"0 0 " + std::to_string(chart.size()) + " " +
                      std::to_string(kChartHeight) +
                      "\" preserveAspectRatio=\"none\" role=\"img\" aria-label=\"Players over "
                      "the last 24 hours, at most " +
                      std::to_string(peak) + "\">";
    // A step line: each five minutes spans one unit (so that a lone one still shows as a
    // dash), and a point is written only where the count changes.
    const auto y = [&](int players) {
        return std::to_string(kChartHeight - 2 - players * (kChartHeight - 4) / peak);
    };
    for (std::size_t i = 0; i < chart.size();) {
        if (chart[i] < 0) {
            ++i;
            continue;
        }
        std::string points = std::to_string(i) + "," + y(chart[i]);
        std::size_t end = i + 1;
        for (; end < chart.size() && chart[end] >= 0; ++end) {
            if (chart[end] != chart[end - 1]) {
                points += " " + std::to_string(end) + "," + y(chart[end - 1]) + " " +
                          std::to_string(end) + "," + y(chart[end]);
            }
        }
        points += " " + std::to_string(end) + "," + y(chart[end - 1]);
        svg += "<polyline points=\"" + points + "\"/>";
        i = end;
    }
    return svg + "</svg><p>Players over 24 hours, at most " + std::to_string(peak) + "</p>";
}

std::string UtcMinute(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds at{std::chrono::seconds(seconds)};
    const auto day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d UTC", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return text;
}

std::string StatusPageHtml(std::string_view title, const std::vector<ServerView>& servers,
                           std::int64_t now) {
    const std::string heading = HtmlEscape(title);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>" +
                       heading + "</title>\n<style>" + std::string(kStyle) +
                       "</style>\n</head>\n<body>\n<h1>" + heading + "</h1>\n<ul>\n";
    for (const ServerView& server : servers) {
        const char* state = server.maintenance ? "maintenance"
                            : !server.up       ? "unknown"
                            : *server.up       ? "up"
                                               : "down";
        page += std::string("<li class=\"") + state + "\">\n<h2>" + HtmlEscape(server.name) +
                "</h2>\n<dl>";
        page += Item("Status", server.maintenance ? "Maintenance"
                               : !server.up       ? "Not known yet"
                               : *server.up       ? "Up"
                                                  : "Down");
        if (server.up.value_or(false)) {
            page += Item("Map", HtmlEscape(server.map));
            page +=
                Item("Players",
                     std::to_string(server.players) +
                         (server.maxPlayers > 0 ? " of " + std::to_string(server.maxPlayers) : ""));
            page += Item("Ping", std::to_string(server.pingMs) + " ms");
        }
        page += Item("Uptime 24 h", Percent(server.uptime24h));
        page += Item("Uptime 30 days", Percent(server.uptime30d));
        page += Item("Address", HtmlEscape(server.address));
        page += "</dl>\n" + ChartSvg(server.chart, server.maxPlayers) + "\n</li>\n";
    }
    page += "</ul>\n<footer>Updated " + UtcMinute(now) + " by lindrel-stats " +
            std::string(kVersion) + ".</footer>\n</body>\n</html>\n";
    return page;
}

} // namespace lindrel::stats
