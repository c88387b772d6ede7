#pragma once

#include "config/Net.h"

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

} // namespace lindrel::stats
