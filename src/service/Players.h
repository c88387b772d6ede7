#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lindrel {

struct AppState;

// One player as the "p2=" reply lists them: the name, the two numbers the list shows, and
// whether the name matches a wanted one.
struct PlayerRow {
    std::string name;
    std::string first;
    std::string second;
    bool highlighted = false;
};

// What a "p2=" reply says of a server's players.
struct PlayerList {
    // False: the reply was unusable and changed nothing.
    bool serverRead = false;
    // The count line's number; empty when it cannot be read.
    std::optional<int> announced;
    // The players the list is made for: as announced, but no more than the reply has
    // lines for.
    int count = 0;
    // The rows read, in order; they stop at the first line that cannot be read, so there
    // may be fewer than count.
    std::vector<PlayerRow> rows;
};

// The query part of the player list request for a slot, without the base URL.
std::string PlayersQuery(const AppState& state, int slot);

// Asks the service for the players of a slot's server and stores the server's status in
// the slot. A reply it cannot use changes nothing; a row is never built from a missing
// line.
PlayerList PullPlayers(AppState& state, int slot);

// PullPlayers' reply half.
PlayerList ApplyPlayersReply(AppState& state, int slot, const std::string& reply);

} // namespace lindrel
