#include "watch/ServerEvents.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

using Names = std::vector<std::pair<std::string, std::string>>;

ServerEvent EventOf(EventKind kind, const GameServer& server, std::int64_t now) {
    ServerEvent event;
    event.kind = kind;
    event.serverId = server.id;
    event.server = server.Name();
    event.address = server.Endpoint();
    event.map = server.status.map;
    event.online = server.Up() ? OnlineCount(server.status) : 0;
    event.maxPlayers = server.status.maxClients;
    event.time = now;
    return event;
}

int PlayersOn(const GameServer& server) {
    return server.Up() ? OnlineCount(server.status) : 0;
}

int FreeSlotsOn(const GameServer& server) {
    return server.Up() ? std::max(0, server.status.maxClients - OnlineCount(server.status)) : 0;
}

// The server's players in lower case (as wanted names are matched) and as shown, sorted,
// one each.
Names NamesOn(const GameServer& server) {
    Names names;
    for (std::size_t i = 0; i < server.lowerNames.size(); ++i) {
        names.emplace_back(server.lowerNames[i], i < server.status.players.size()
                                                     ? server.status.players[i].name
                                                     : server.lowerNames[i]);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                names.end());
    return names;
}

// The players in `from` whose lower-case name is not in `other`, as one event.
void AddPlayersNotIn(const Names& from, const Names& other, EventKind kind,
                     const GameServer& server, std::int64_t now, std::vector<ServerEvent>& found) {
    ServerEvent event = EventOf(kind, server, now);
    auto at = other.begin();
    for (const auto& [lower, shown] : from) {
        at = std::lower_bound(at, other.end(), lower, [](const auto& name, const std::string& key) {
            return name.first < key;
        });
        if (at == other.end() || at->first != lower) {
            event.players.push_back(shown);
            event.lowerPlayers.push_back(lower);
        }
    }
    event.joined = event.players.size();
    if (event.joined > 0) {
        found.push_back(std::move(event));
    }
}

} // namespace

ServerEvents::ServerEvents(Thresholds thresholds) : thresholds_(std::move(thresholds)) {
    for (auto* list : {&thresholds_.players, &thresholds_.freeSlots}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
}

std::vector<ServerEvent> ServerEvents::After(const Registry& registry, std::int64_t now) {
    std::vector<ServerEvent> found;
    for (const GameServer& server : registry.servers()) {
        if (server.registered || !server.Known()) {
            continue; // not ours, or not known to be either yet
        }
        Names names = NamesOn(server);
        const auto known = seen_.find(server.id);
        if (known == seen_.end()) {
            Seen& first = seen_[server.id];
            first.down = server.down;
            first.players = std::move(names);
            for (const int threshold : thresholds_.players) {
                first.playerCount.reached.push_back(PlayersOn(server) >= threshold);
                first.playerCount.belowFor.push_back(0);
            }
            for (const int threshold : thresholds_.freeSlots) {
                first.freeSlots.reached.push_back(FreeSlotsOn(server) >= threshold);
                first.freeSlots.belowFor.push_back(0);
            }
            continue;
        }
        Seen& seen = known->second;
        if (server.down && !seen.down) {
            found.push_back(EventOf(EventKind::Down, server, now));
        } else if (!server.down && seen.down) {
            found.push_back(EventOf(EventKind::Back, server, now));
        }
        FindPlayerChanges(server, seen, names, now, found);
        CheckThresholds(server, EventKind::PlayersAtLeast, PlayersOn(server), thresholds_.players,
                        seen.playerCount, now, found);
        CheckThresholds(server, EventKind::SlotsFree, FreeSlotsOn(server), thresholds_.freeSlots,
                        seen.freeSlots, now, found);
        seen.down = server.down;
        seen.players = std::move(names);
    }
    return found;
}

void ServerEvents::FindPlayerChanges(const GameServer& server, const Seen& seen, const Names& now,
                                     std::int64_t time, std::vector<ServerEvent>& found) {
    AddPlayersNotIn(now, seen.players, EventKind::PlayerJoined, server, time, found);
    // Players are known to have left only from a server that answered both times: one that
    // went down is told as down.
    if (!server.down && !seen.down) {
        AddPlayersNotIn(seen.players, now, EventKind::PlayerLeft, server, time, found);
    }
}

void ServerEvents::CheckThresholds(const GameServer& server, EventKind kind, int count,
                                   const std::vector<int>& thresholds, Crossings& crossings,
                                   std::int64_t now, std::vector<ServerEvent>& found) {
    for (std::size_t i = 0; i < thresholds.size(); ++i) {
        if (count >= thresholds[i]) {
            crossings.belowFor[i] = 0;
            if (!crossings.reached[i]) {
                crossings.reached[i] = true;
                ServerEvent event = EventOf(kind, server, now);
                (kind == EventKind::SlotsFree ? event.freeSlots : event.online) = count;
                event.threshold = thresholds[i];
                found.push_back(std::move(event));
            }
        } else if (crossings.reached[i] && ++crossings.belowFor[i] >= kRearmAfterRefreshes) {
            crossings.reached[i] = false;
        }
    }
}

std::vector<ServerEvent> QuietFilter::Pass(std::vector<ServerEvent> events,
                                           const Registry& registry,
                                           const std::unordered_set<int>& quiet, std::int64_t now) {
    std::vector<ServerEvent> told;
    std::unordered_set<int> back;
    for (ServerEvent& event : events) {
        if (quiet.contains(event.serverId)) {
            continue;
        }
        if (event.kind == EventKind::Down) {
            toldDown_.insert(event.serverId);
        } else if (event.kind == EventKind::Back) {
            toldDown_.erase(event.serverId);
            back.insert(event.serverId);
        }
        told.push_back(std::move(event));
    }
    for (const int id : wasQuiet_) {
        const GameServer* server = registry.FindById(id);
        if (!quiet.contains(id) && !back.contains(id) && toldDown_.contains(id) &&
            server != nullptr && server->Up()) {
            toldDown_.erase(id);
            told.push_back(EventOf(EventKind::Back, *server, now));
        }
    }
    wasQuiet_ = quiet;
    return told;
}

} // namespace lindrel::stats
