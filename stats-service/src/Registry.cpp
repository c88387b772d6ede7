#include "Registry.h"

#include "core/FileIo.h"
#include "core/Text.h"
#include "core/UrlCodec.h"

#include <algorithm>

namespace lindrel::stats {

std::string FormatIpv4(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xff) + "." +
           std::to_string((address >> 8) & 0xff) + "." + std::to_string(address & 0xff);
}

std::string GameServer::Name() const {
    return status.hostname.empty() ? configuredName : status.hostname;
}

std::string GameServer::Endpoint() const {
    return FormatIpv4(address) + ":" + std::to_string(port);
}

bool Registry::Add(GameServer server) {
    const auto key = Key(server.address, server.port);
    if (byId_.contains(server.id) || byEndpoint_.contains(key)) {
        return false;
    }
    byId_[server.id] = servers_.size();
    byEndpoint_[key] = servers_.size();
    servers_.push_back(std::move(server));
    return true;
}

GameServer* Registry::FindById(int id) {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &servers_[found->second];
}

const GameServer* Registry::FindById(int id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : &servers_[found->second];
}

GameServer* Registry::FindByEndpoint(std::uint32_t address, std::uint16_t port) {
    const auto found = byEndpoint_.find(Key(address, port));
    return found == byEndpoint_.end() ? nullptr : &servers_[found->second];
}

int Registry::NextFreeId() const {
    int highest = 99; // looked-up servers count from 100, clear of hand-made directories
    for (const auto& server : servers_) {
        highest = std::max(highest, server.id);
    }
    return highest + 1;
}

std::size_t Registry::RegisteredCount() const {
    return static_cast<std::size_t>(std::count_if(servers_.begin(), servers_.end(),
                                                  [](const auto& s) { return s.registered; }));
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
}

void Registry::RecordMiss(GameServer& server, int downAfterMisses) {
    if (++server.missedInARow >= downAfterMisses) {
        server.down = true;
        server.status.players.clear();
    }
}

std::string Registry::SerializeRegistered() const {
    std::string text;
    for (const auto& server : servers_) {
        if (server.registered) {
            text += std::to_string(server.id) + "," + FormatIpv4(server.address) + "," +
                    std::to_string(server.port) + "," + std::to_string(server.gameType) + "," +
                    URLEncode(server.configuredName) + "\n";
        }
    }
    return text;
}

void Registry::LoadRegistered(std::string_view text, std::size_t limit) {
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line) && RegisteredCount() < limit) {
        const auto fields = Split(line, ',');
        if (fields.size() != 5) {
            continue;
        }
        const auto id = ParseInt32(fields[0]);
        const auto address = ParseIpv4(fields[1]);
        const auto port = ParseInt32(fields[2]);
        const auto gameType = ParseInt32(fields[3]);
        auto name = URLDecode(fields[4]);
        if (!id || *id <= 0 || !address || !port || *port <= 0 || *port > 65535 || !gameType ||
            !name) {
            continue;
        }
        GameServer server;
        server.id = *id;
        server.address = *address;
        server.port = static_cast<std::uint16_t>(*port);
        server.gameType = *gameType;
        server.configuredName = std::move(*name);
        server.registered = true;
        Add(std::move(server));
    }
}

} // namespace lindrel::stats
