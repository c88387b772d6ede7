#include "watch/ServerEvents.h"

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

int PlayersOn(const GameServer& server) {
    return server.Up() ? OnlineCount(server.status) : 0;
}

} // namespace

ServerEvents::ServerEvents(std::vector<int> thresholds) : thresholds_(std::move(thresholds)) {
    std::sort(thresholds_.begin(), thresholds_.end());
    thresholds_.erase(std::unique(thresholds_.begin(), thresholds_.end()), thresholds_.end());
}

std::vector<ServerEvent> ServerEvents::After(const Registry& registry, std::int64_t now) {
    std::vector<ServerEvent> found;
    for (const GameServer& server : registry.servers()) {
        if (server.registered || !server.Known()) {
            continue; // not ours, or not known to be either yet
        }
        std::vector<std::string> names = server.lowerNames;
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        const auto known = seen_.find(server.id);
        if (known == seen_.end()) {
            Seen& first = seen_[server.id];
            first.down = server.down;
            first.lowerNames = std::move(names);
            for (const int threshold : thresholds_) {
                first.reached.push_back(PlayersOn(server) >= threshold);
                first.belowFor.push_back(0);
            }
            continue;
        }
        Seen& seen = known->second;
        if (server.down && !seen.down) {
            found.push_back(EventOf(EventKind::Down, server, now));
        } else if (!server.down && seen.down) {
            found.push_back(EventOf(EventKind::Back, server, now));
        }
        std::vector<std::string> joined;
        std::set_difference(names.begin(), names.end(), seen.lowerNames.begin(),
                            seen.lowerNames.end(), std::back_inserter(joined));
        if (!joined.empty()) {
            ServerEvent event = EventOf(EventKind::PlayerJoined, server, now);
            for (auto& lower : joined) {
                const auto at =
                    std::find(server.lowerNames.begin(), server.lowerNames.end(), lower);
                const auto index = static_cast<std::size_t>(at - server.lowerNames.begin());
                event.players.push_back(index < server.status.players.size()
                                            ? server.status.players[index].name
                                            : lower);
                event.lowerPlayers.push_back(std::move(lower));
            }
            event.joined = event.players.size();
            found.push_back(std::move(event));
        }
        CheckThresholds(server, seen, now, found);
        seen.down = server.down;
        seen.lowerNames = std::move(names);
    }
    return found;
}

void ServerEvents::CheckThresholds(const GameServer& server, Seen& seen, std::int64_t now,
                                   std::vector<ServerEvent>& found) const {
    const int players = PlayersOn(server);
    for (std::size_t i = 0; i < thresholds_.size(); ++i) {
        if (players >= thresholds_[i]) {
            seen.belowFor[i] = 0;
            if (!seen.reached[i]) {
                seen.reached[i] = true;
                ServerEvent event = EventOf(EventKind::PlayersAtLeast, server, now);
                event.online = players;
                event.threshold = thresholds_[i];
                found.push_back(std::move(event));
            }
        } else if (seen.reached[i] && ++seen.belowFor[i] >= kRearmAfterRefreshes) {
            seen.reached[i] = false;
        }
    }
}

} // namespace lindrel::stats
