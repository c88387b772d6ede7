#include "pages/JsonApi.h"

#include "base/Encoding.h"

#include <cstdio>

namespace lindrel::stats {

namespace {

std::string Share(const std::optional<double>& share) {
    if (!share) {
        return "null";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.4f", *share);
    return text;
}

} // namespace

std::string ServersJson(const std::vector<ServerView>& servers, std::int64_t now) {
    std::string json = "{\"time\":" + std::to_string(now) + ",\"servers\":[";
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const ServerView& server = servers[i];
        json += i == 0 ? "\n" : ",\n";
        json += "{\"id\":" + std::to_string(server.id) + ",\"name\":" + JsonString(server.name) +
                ",\"address\":" + JsonString(server.address) +
                ",\"game_type\":" + std::to_string(server.gameType) + ",\"up\":" +
                (!server.up   ? "null"
                 : *server.up ? "true"
                              : "false") +
                ",\"map\":" + JsonString(server.map) +
                ",\"players\":" + std::to_string(server.players) +
                ",\"max_players\":" + std::to_string(server.maxPlayers) +
                ",\"ping_ms\":" + std::to_string(server.pingMs) +
                ",\"uptime_24h\":" + Share(server.uptime24h) +
                ",\"uptime_30d\":" + Share(server.uptime30d) +
                ",\"maintenance\":" + (server.maintenance ? "true" : "false") + "}";
    }
    return json + "\n]}\n";
}

std::string HistoryJson(int id, int hours, const std::vector<Sample>& points) {
    std::string json =
        "{\"id\":" + std::to_string(id) + ",\"hours\":" + std::to_string(hours) + ",\"points\":[";
    json.reserve(json.size() + points.size() * 56);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Sample& point = points[i];
        json += i == 0 ? "\n" : ",\n";
        json += "{\"time\":" + std::to_string(point.time) +
                ",\"up\":" + (point.up ? "true" : "false") +
                ",\"players\":" + std::to_string(point.players) +
                ",\"map\":" + JsonString(point.map) + "}";
    }
    return json + "\n]}\n";
}

} // namespace lindrel::stats
