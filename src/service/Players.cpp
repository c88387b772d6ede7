#include "service/Players.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "service/HttpFetch.h"
#include "service/StatusPoll.h"

#include <algorithm>

namespace lindrel {

namespace {

constexpr std::size_t kMinServerLine = 10;
constexpr std::size_t kServerLineFields = 5;
constexpr std::size_t kCountLabel = 8;
constexpr std::size_t kStatsFields = 6;

} // namespace

std::string PlayersQuery(const AppState& state, int slot) {
    return "p2=" + state.ServerData(slot, StatsID) + WantedPlayersQuery(state);
}

PlayerList PullPlayers(AppState& state, int slot) {
    const std::string reply = GetURL(state.StatsBaseURL + PlayersQuery(state, slot));
    if (reply.empty()) {
        return {};
    }
    return ApplyPlayersReply(state, slot, reply);
}

PlayerList ApplyPlayersReply(AppState& state, int slot, const std::string& reply) {
    PlayerList list;
    const auto lines = Split(TrimSpaces(reply), '\n');
    if (lines.size() < 2 || lines[0].size() < kMinServerLine) {
        return list;
    }
    // A server line without the ping field is not a server line.
    const auto server = Split(lines[0], '|');
    if (server.size() < kServerLineFields) {
        return list;
    }
    ServerStatusRecord& status = state.ServerStatus.at(static_cast<std::size_t>(slot));
    StoreServerFields(status, server);
    list.serverRead = true;

    // A count line too short to hold its label, or a negative count, is no count.
    if (lines[1].size() < kCountLabel) {
        return list;
    }
    const int announced = ReadWholeNumber(lines[1].substr(kCountLabel));
    if (announced < 0) {
        return list;
    }
    // Only as many players as the reply has lines for; a count beyond them would make
    // a list of rows that can never be filled.
    const int available = static_cast<int>((lines.size() - 2) / 2);
    list.announced = announced;
    list.count = std::min(announced, available);
    for (int player = 1; player <= list.count; ++player) {
        const auto nameLine = lines[2 * static_cast<std::size_t>(player)];
        const auto stats = Split(lines[2 * static_cast<std::size_t>(player) + 1], ',');
        if (stats.size() < kStatsFields) {
            break;
        }
        // A match field that is not a number reads as 0: not highlighted.
        list.rows.push_back({std::string(nameLine), std::string(stats[0]), std::string(stats[1]),
                             ReadWholeNumber(stats[5]) > 0});
    }
    return list;
}

} // namespace lindrel
