#pragma once

#include "notify/Webhook.h"
#include "watch/Registry.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

// Finds what changed for the watched servers between two refreshes: a server that went
// down (under the registry's rule of missed refreshes in a row), came back, gained or lost
// players (one event a server each way, naming them all), reached one of the player
// thresholds asked for, or one of the free-slot thresholds. What a server is like when the
// service first sees it is where it starts from, not news. Errors: none.
namespace lindrel::stats {

class ServerEvents {
public:
    // A threshold is told again only after the count stayed below it this many refreshes
    // in a row, so a count that flaps around it sends nothing new.
    static constexpr int kRearmAfterRefreshes = 3;

    struct Thresholds {
        std::vector<int> players;   // players on a server
        std::vector<int> freeSlots; // its limit less its players; a down server has none
    };
    explicit ServerEvents(Thresholds thresholds = {});

    // The events since the last call, for the servers the configuration names (not those
    // added by lookups).
    std::vector<ServerEvent> After(const Registry& registry, std::int64_t now);

private:
    // One kind of threshold: the numbers, and for a server whether each is reached and for
    // how many refreshes in a row the count was below a reached one.
    struct Crossings {
        std::vector<bool> reached;
        std::vector<int> belowFor;
    };
    struct Seen {
        bool down = false;
        std::vector<std::pair<std::string, std::string>> players; // lower case, as shown; sorted
        Crossings playerCount;
        Crossings freeSlots;
    };
    static void FindPlayerChanges(const GameServer& server, const Seen& seen,
                                  const std::vector<std::pair<std::string, std::string>>& now,
                                  std::int64_t time, std::vector<ServerEvent>& found);
    static void CheckThresholds(const GameServer& server, EventKind kind, int count,
                                const std::vector<int>& thresholds, Crossings& crossings,
                                std::int64_t now, std::vector<ServerEvent>& found);

    Thresholds thresholds_;
    std::unordered_map<int, Seen> seen_;
};

// Holds back the events of servers in their quiet hours (dropped, not sent later), and
// when a window ends over a server that was told down before it and is up now, tells that
// it is back. Errors: none.
class QuietFilter {
public:
    std::vector<ServerEvent> Pass(std::vector<ServerEvent> events, const Registry& registry,
                                  const std::unordered_set<int>& quiet, std::int64_t now);

private:
    std::unordered_set<int> toldDown_;
    std::unordered_set<int> wasQuiet_;
};

} // namespace lindrel::stats
