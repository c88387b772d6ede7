#pragma once

#include "notify/Webhook.h"
#include "watch/Registry.h"

#include <unordered_map>
#include <vector>

// Finds what changed for the watched servers between two refreshes: a server that went
// down (under the registry's rule of missed refreshes in a row), came back, gained players
// (one event a server, naming them all), or reached one of the player thresholds asked
// for. What a server is like when the service first sees it is where it starts from, not
// news. Errors: none.
namespace lindrel::stats {

class ServerEvents {
public:
    // A threshold is told again only after the players stayed below it this many
    // refreshes in a row, so a count that flaps around it sends nothing new.
    static constexpr int kRearmAfterRefreshes = 3;

    explicit ServerEvents(std::vector<int> thresholds = {});

    // The events since the last call, for the servers the configuration names (not those
    // added by lookups).
    std::vector<ServerEvent> After(const Registry& registry, std::int64_t now);

private:
    struct Seen {
        bool down = false;
        std::vector<std::string> lowerNames; // sorted
        std::vector<bool> reached;           // by threshold
        std::vector<int> belowFor;           // refreshes in a row below a reached threshold
    };
    void CheckThresholds(const GameServer& server, Seen& seen, std::int64_t now,
                         std::vector<ServerEvent>& found) const;

    std::vector<int> thresholds_;
    std::unordered_map<int, Seen> seen_;
};

} // namespace lindrel::stats
