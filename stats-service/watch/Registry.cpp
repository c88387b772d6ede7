#include "watch/Registry.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "config/Net.h"

#include <algorithm>
#include <climits>
#include <set>

namespace lindrel::stats {

namespace {

constexpr int kFirstLookedUpId = 100; // clear of hand-made directories

std::optional<std::int64_t> ParseInt64(std::string_view text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::int64_t WallSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(WallClock::now().time_since_epoch())
        .count();
}

std::string GameServer::Name() const {
    return status.hostname.empty() ? configuredName : status.hostname;
}

std::string GameServer::Endpoint() const {
    return FormatHostPort(host, port);
}

void Registry::SetProtocols(std::unordered_map<int, const QueryDriver*> byGameType) {
    protocols_ = std::move(byGameType);
}

const QueryDriver& Registry::DriverFor(int gameType) const {
    const auto found = protocols_.find(gameType);
    return found != protocols_.end() ? *found->second : DefaultDriver();
}

bool Registry::Add(GameServer server) {
    if (server.driver == nullptr) {
        server.driver = &DriverFor(server.gameType);
    }
    if (server.queryPort == 0) {
        server.queryPort = server.driver->DefaultQueryPort(server.port);
    }
    if (!server.endpoint) {
        if (const auto literal = ParseAddress(server.host)) {
            server.endpoint = udp::endpoint(*literal, server.queryPort);
        }
    }
    const std::string key = server.endpoint ? EndpointKey(*server.endpoint) : std::string();
    // Configured entries may share an address (see SetEndpoint); looked-up ones may not.
    if (byId_.contains(server.id) ||
        (!key.empty() && server.registered && byEndpoint_.contains(key))) {
        return false;
    }
    byId_[server.id] = servers_.size();
    if (!key.empty()) {
        byEndpoint_.emplace(key, servers_.size());
    }
    registeredCount_ += server.registered ? 1u : 0u;
    servers_.push_back(std::move(server));
    return true;
}

void Registry::Reindex() {
    byId_.clear();
    byEndpoint_.clear();
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        byId_[servers_[i].id] = i;
        if (servers_[i].endpoint) {
            byEndpoint_.emplace(EndpointKey(*servers_[i].endpoint), i);
        }
    }
}

GameServer* Registry::FindById(int id) {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &servers_[found->second];
}

const GameServer* Registry::FindById(int id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &servers_[found->second];
}

GameServer* Registry::FindByEndpoint(const udp::endpoint& endpoint) {
    const auto found = byEndpoint_.find(EndpointKey(endpoint));
    return found == byEndpoint_.end() ? nullptr : &servers_[found->second];
}

bool Registry::SetEndpoint(int id, const udp::endpoint& endpoint) {
    GameServer* server = FindById(id);
    if (server == nullptr) {
        return false;
    }
    if (server->endpoint == endpoint) {
        return true; // resolved again to the same address
    }
    const std::string key = EndpointKey(endpoint);
    const auto holder = byEndpoint_.find(key);
    // A configured entry may name a server another entry names too ("localhost" beside
    // "127.0.0.1"): each is asked on its own and shows the server's state. A looked-up
    // server never shares: the lookup found the one already watched.
    if (holder != byEndpoint_.end() && server->registered) {
        return &servers_[holder->second] == server;
    }
    const auto old =
        server->endpoint ? byEndpoint_.find(EndpointKey(*server->endpoint)) : byEndpoint_.end();
    const bool heldOld = old != byEndpoint_.end() && old->second == byId_[id];
    server->endpoint = endpoint;
    if (heldOld) {
        Reindex(); // another entry at the old address, if any, now holds it
    } else {
        byEndpoint_.emplace(key, byId_[id]);
    }
    return true;
}

std::optional<int> Registry::NextFreeId() const {
    int highest = kFirstLookedUpId - 1;
    for (const auto& server : servers_) {
        highest = std::max(highest, server.id);
    }
    if (highest < INT_MAX) {
        return highest + 1;
    }
    std::set<int> used;
    for (const auto& server : servers_) {
        if (server.id >= kFirstLookedUpId) {
            used.insert(server.id);
        }
    }
    int candidate = kFirstLookedUpId;
    for (const int id : used) {
        if (id != candidate) {
            return candidate;
        }
        if (candidate == INT_MAX) {
            return std::nullopt;
        }
        ++candidate;
    }
    return candidate;
}

void Registry::RecordAnswer(GameServer& server, StatusInfo status, int pingMs) {
    server.everAnswered = true;
    server.down = false;
    server.missedInARow = 0;
    server.pingMs = pingMs;
    if (status.maxClients > 0) {
        server.lastMaxClients = status.maxClients;
    }
    server.status = std::move(status);
    server.lowerNames.clear();
    for (const auto& player : server.status.players) {
        server.lowerNames.push_back(LowerAscii(player.name));
    }
    server.lastAnsweredAt = WallSeconds();
}

void Registry::RecordMiss(GameServer& server, int downAfterMisses) {
    if (server.missedInARow < downAfterMisses) {
        ++server.missedInARow;
    }
    if (server.missedInARow >= downAfterMisses) {
        server.down = true;
        server.status.players.clear();
        server.status.online = 0;
        server.lowerNames.clear();
    }
}

bool Registry::DropSilentSince(std::int64_t cutoff) {
    const auto before = servers_.size();
    std::erase_if(servers_, [&](const GameServer& server) {
        return server.registered && server.lastAnsweredAt < cutoff;
    });
    if (servers_.size() == before) {
        return false;
    }
    registeredCount_ = static_cast<std::size_t>(std::count_if(
        servers_.begin(), servers_.end(), [](const GameServer& s) { return s.registered; }));
    Reindex();
    return true;
}

std::string Registry::SerializeRegistered() const {
    std::string text;
    for (const auto& server : servers_) {
        if (server.registered) {
            text += std::to_string(server.id) + "," + server.host + "," +
                    std::to_string(server.port) + "," + std::to_string(server.gameType) + "," +
                    URLEncode(server.configuredName) + "," + std::to_string(server.lastAnsweredAt) +
                    "\n";
        }
    }
    return text;
}

void Registry::LoadRegistered(std::string_view text, std::size_t limit, std::int64_t now) {
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line) && registeredCount_ < limit) {
        const auto fields = Split(line, ',');
        if (fields.size() != 5 && fields.size() != 6) {
            continue;
        }
        const auto id = ParseInt32(fields[0]);
        const auto port = ParseInt32(fields[2]);
        const auto gameType = ParseInt32(fields[3]);
        auto name = URLDecode(fields[4]);
        const auto answered = fields.size() == 6 ? ParseInt64(fields[5]) : std::optional(now);
        if (!id || *id <= 0 || !IsValidHost(fields[1]) || !port || *port <= 0 || *port > 65535 ||
            !gameType || !name || !answered) {
            continue;
        }
        GameServer server;
        server.id = *id;
        server.host = std::string(fields[1]);
        server.port = static_cast<std::uint16_t>(*port);
        server.gameType = *gameType;
        // Saved from a cleaned name; whatever else a changed file holds is made harmless
        // the same way every time it is loaded.
        server.configuredName = WithoutControls(*name, kMaxNameBytes);
        server.registered = true;
        server.lastAnsweredAt = *answered;
        Add(std::move(server));
    }
}

} // namespace lindrel::stats
