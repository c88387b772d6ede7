#include "ServerEvents.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

ServerEvent EventOf(EventKind kind, const GameServer& server, std::int64_t now) {
    ServerEvent event;
    event.kind = kind;
    event.serverId = server.id;
    event.server = server.Name();
    event.address = server.Endpoint();
    event.map = server.status.map;
    event.time = now;
    return event;
}

} // namespace

std::vector<FoundEvent> ServerEvents::After(const Registry& registry, std::int64_t now) {
    std::vector<FoundEvent> found;
    for (const GameServer& server : registry.servers()) {
        if (server.registered || !server.Known()) {
            continue; // not ours, or not known to be either yet
        }
        std::vector<std::string> names = server.lowerNames;
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        const auto known = seen_.find(server.id);
        if (known == seen_.end()) {
            seen_[server.id] = {server.down, std::move(names)};
            continue;
        }
        Seen& seen = known->second;
        if (server.down && !seen.down) {
            found.push_back({EventOf(EventKind::Down, server, now), {}});
        } else if (!server.down && seen.down) {
            found.push_back({EventOf(EventKind::Back, server, now), {}});
        }
        std::vector<std::string> joined;
        std::set_difference(names.begin(), names.end(), seen.lowerNames.begin(),
                            seen.lowerNames.end(), std::back_inserter(joined));
        for (auto& lower : joined) {
            ServerEvent event = EventOf(EventKind::PlayerJoined, server, now);
            for (std::size_t i = 0; i < server.lowerNames.size(); ++i) {
                if (server.lowerNames[i] == lower && i < server.status.players.size()) {
                    event.player = server.status.players[i].name;
                    break;
                }
            }
            found.push_back({std::move(event), std::move(lower)});
        }
        seen.down = server.down;
        seen.lowerNames = std::move(names);
    }
    return found;
}

} // namespace lindrel::stats
