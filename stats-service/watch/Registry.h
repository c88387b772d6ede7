#pragma once

#include "asio/Asio.h"
#include "protocols/GameStatus.h"
#include "protocols/QueryDriver.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace lindrel::stats {

using Clock = std::chrono::steady_clock;
using WallClock = std::chrono::system_clock;

// The wall clock in whole seconds since 1970.
std::int64_t WallSeconds();

// One game server the service watches, with what it last learned of it.
struct GameServer {
    int id = 0;
    std::string configuredName;
    int gameType = 10;
    std::string host; // IPv4 or IPv6 literal, or a DNS name
    std::uint16_t port = 0;
    // How it is asked, and on which port; the registry fills them in from the game type
    // when they are left unset.
    const QueryDriver* driver = nullptr;
    std::uint16_t queryPort = 0;
    // Where queries go (at queryPort): the literal, or the address the name last resolved to.
    std::optional<udp::endpoint> endpoint;
    bool registered = false; // added by a lookup, kept in the state file
    // When it last answered, in wall-clock seconds: a registered server silent for too long
    // is dropped, across restarts too.
    std::int64_t lastAnsweredAt = 0;

    bool everAnswered = false;
    bool down = false;
    int missedInARow = 0;
    int lastMaxClients = 0;
    int pingMs = 0;
    StatusInfo status;
    std::vector<std::string> lowerNames; // the players' names in lower case, for matching

    // The refresh in flight.
    bool pending = false;
    Clock::time_point sentAt{};

    // Up: it answered and is not down. Known: up, or found down by the misses in a row.
    bool Up() const { return everAnswered && !down; }
    bool Known() const { return everAnswered || down; }

    std::string Name() const;
    std::string Endpoint() const; // "host:port", an IPv6 literal in brackets
};

// Every watched server, found by id or by the endpoint it is queried at. Errors are
// values: false or a null pointer or an empty optional.
class Registry {
public:
    // The query protocol of each game type; a type not given is asked as Quake III.
    void SetProtocols(std::unordered_map<int, const QueryDriver*> byGameType);
    const QueryDriver& DriverFor(int gameType) const;

    // Adds a server; false when its id is taken, or a looked-up server's endpoint. A literal host
    // gives the endpoint at once; a name waits for SetEndpoint.
    bool Add(GameServer server);
    GameServer* FindById(int id);
    const GameServer* FindById(int id) const;
    GameServer* FindByEndpoint(const udp::endpoint& endpoint);
    // Points a server at a newly resolved address; false when a looked-up server's address
    // is another server's. Configured servers may share one.
    bool SetEndpoint(int id, const udp::endpoint& endpoint);
    std::vector<GameServer>& servers() { return servers_; }
    const std::vector<GameServer>& servers() const { return servers_; }
    // One above the highest id, counting from 100; when that would not fit 32 bits, the
    // lowest free id from 100 on; empty when none is left.
    std::optional<int> NextFreeId() const;
    std::size_t RegisteredCount() const { return registeredCount_; }

    // A reply arrived for a server: it is up with this status.
    static void RecordAnswer(GameServer& server, StatusInfo status, int pingMs);
    // A refresh passed without an answer; after downAfterMisses in a row it is down.
    static void RecordMiss(GameServer& server, int downAfterMisses);
    // Drops the registered servers that have not answered since before the cutoff; true
    // when any went.
    bool DropSilentSince(std::int64_t cutoff);

    // The looked-up servers, one "id,host,port,gametype,name,lastanswered" line each.
    std::string SerializeRegistered() const;
    // Adds the servers of SerializeRegistered's text, at most limit in all, in time linear
    // in the text's size; malformed lines are skipped. A line without its last field
    // (an older state file) counts as answered at now.
    void LoadRegistered(std::string_view text, std::size_t limit, std::int64_t now);

private:
    void Reindex();

    std::vector<GameServer> servers_;
    std::unordered_map<int, std::size_t> byId_;
    std::unordered_map<std::string, std::size_t> byEndpoint_;
    std::unordered_map<int, const QueryDriver*> protocols_;
    std::size_t registeredCount_ = 0;
};

} // namespace lindrel::stats
