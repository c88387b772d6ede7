#pragma once

#include "Registry.h"
#include "Webhook.h"

#include <unordered_map>
#include <vector>

// Finds what changed for the watched servers between two refreshes: a server that went
// down (under the registry's rule of missed refreshes in a row), came back, or gained a
// player. What a server is like when the service first sees it is where it starts from,
// not news. Errors: none.
namespace lindrel::stats {

struct FoundEvent {
    ServerEvent event;
    std::string lowerPlayer; // for a player event
};

class ServerEvents {
public:
    // The events since the last call, for the servers the configuration names (not those
    // added by lookups).
    std::vector<FoundEvent> After(const Registry& registry, std::int64_t now);

private:
    struct Seen {
        bool down = false;
        std::vector<std::string> lowerNames; // sorted
    };
    std::unordered_map<int, Seen> seen_;
};

} // namespace lindrel::stats
