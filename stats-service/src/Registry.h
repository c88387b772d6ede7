#pragma once

#include "Config.h"
#include "Q3Protocol.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace lindrel::stats {

using Clock = std::chrono::steady_clock;

// One game server the service watches, with what it last learned of it.
struct GameServer {
    int id = 0;
    std::string configuredName;
    int gameType = 10;
    std::uint32_t address = 0; // IPv4, host order
    std::uint16_t port = 0;
    bool registered = false; // added by a lookup, kept in the state file

    bool everAnswered = false;
    bool down = false;
    int missedInARow = 0;
    int lastMaxClients = 0;
    int pingMs = 0;
    StatusInfo status;

    // The refresh in flight.
    bool pending = false;
    Clock::time_point sentAt{};

    std::string Name() const;
    std::string Endpoint() const; // "a.b.c.d:port"
};

// Every watched server, found by id or by address and port.
class Registry {
public:
    // Adds a server; false when its id or endpoint is taken.
    bool Add(GameServer server);
    GameServer* FindById(int id);
    const GameServer* FindById(int id) const;
    GameServer* FindByEndpoint(std::uint32_t address, std::uint16_t port);
    std::vector<GameServer>& servers() { return servers_; }
    const std::vector<GameServer>& servers() const { return servers_; }
    int NextFreeId() const;
    std::size_t RegisteredCount() const;

    // A reply arrived for a server: it is up with this status.
    static void RecordAnswer(GameServer& server, StatusInfo status, int pingMs);
    // A refresh passed without an answer; after downAfterMisses in a row it is down.
    static void RecordMiss(GameServer& server, int downAfterMisses);

    // The looked-up servers, one "id,address,port,gametype,name" line each (name encoded).
    std::string SerializeRegistered() const;
    // Adds the servers of SerializeRegistered's text; malformed lines are skipped.
    void LoadRegistered(std::string_view text, std::size_t limit);

private:
    static std::uint64_t Key(std::uint32_t address, std::uint16_t port) {
        return (std::uint64_t{address} << 16) | port;
    }
    std::vector<GameServer> servers_;
    std::unordered_map<int, std::size_t> byId_;
    std::unordered_map<std::uint64_t, std::size_t> byEndpoint_;
};

std::string FormatIpv4(std::uint32_t address);

} // namespace lindrel::stats
