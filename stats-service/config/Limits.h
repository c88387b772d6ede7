#pragma once

#include "config/Net.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

// The service's timings and limits, as the configuration holds them and the parts take
// them: each value has one default and one unit, here. Errors: none.
namespace lindrel::stats {

struct PollTimings {
    std::chrono::milliseconds refreshInterval{10'000};
    std::chrono::milliseconds queryTimeout{1'000};
    int downAfterMisses = 2;
    std::chrono::days dropAfter{30}; // a registered server silent this long goes
    // TCP queries (OpenTTD, Minecraft) in flight at once, each holding a socket for at
    // most the query timeout: 2,500 TCP servers answering in 400 ms each refresh in about
    // 4 s, well within the default interval.
    std::size_t tcpParallel = 256;
};

struct FrontEndLimits {
    std::size_t maxConnections = 512;
    std::size_t maxPerClient = 32;                 // per IPv4 address or IPv6 /64
    std::chrono::milliseconds headTimeout{5'000};  // a request head, from its first byte
    std::chrono::milliseconds idleTimeout{30'000}; // between requests of a kept-alive connection
};

struct LookupLimits {
    // The networks a lookup may send a query to.
    std::vector<Network> allow{*ParseNetwork("127.0.0.0/8"), *ParseNetwork("::1/128")};
    int perMinute = 10;         // probes of unknown servers, all clients together
    int perClientPerMinute = 5; // probes one client address may cause
    std::size_t maxRegistered = 1000;
};

// The open files the service keeps for itself besides its TCP queries: the front end's
// connections, its listeners, the UDP sockets, the history file, the logs.
inline constexpr std::size_t kOwnOpenFiles = 64;
// The TCP queries that fit in `openFiles` beside the front end's connections and the
// service's own files: at most `wanted`, at least one.
inline std::size_t TcpParallelWithin(std::size_t openFiles, std::size_t wanted,
                                     const FrontEndLimits& frontEnd) {
    const std::size_t taken = frontEnd.maxConnections + kOwnOpenFiles;
    const std::size_t room = openFiles > taken ? openFiles - taken : 1;
    return std::max<std::size_t>(1, std::min(wanted, room));
}

} // namespace lindrel::stats
