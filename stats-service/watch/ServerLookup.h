#pragma once

#include "asio/Asio.h"
#include "config/Limits.h"
#include "watch/LookupPolicy.h"
#include "watch/NameResolver.h"
#include "watch/Poller.h"
#include "watch/Registry.h"

#include <functional>
#include <string_view>

namespace lindrel::stats {

// How a lookup ended: the server was watched already, was probed and registered now, or
// is not found (unparsable, not allowed, over a budget, silent or not a game server).
struct LookupOutcome {
    enum class Kind { NotFound, Known, Added };
    Kind kind = Kind::NotFound;
    int id = 0; // the server's id, when found
};

// Finds the server a monitor asks for by "host:port,gametype", and registers an unknown
// one after one probe, within the lookup limits: the service must not become a way to
// send traffic wherever a caller likes. Errors are values: a NotFound outcome.
class ServerLookup {
public:
    ServerLookup(Registry& registry, Poller& poller, NameResolver& resolver, LookupLimits limits)
        : registry_(registry), poller_(poller), resolver_(resolver), policy_(std::move(limits)) {}

    awaitable<LookupOutcome> Find(std::string_view value, asio::ip::address client);
    // Lookups under way end not found.
    void Stop() { stopped_ = true; }
    // Called after a server was registered (the service saves its state file).
    std::function<void()> onRegistered;

private:
    Registry& registry_;
    Poller& poller_;
    NameResolver& resolver_;
    LookupPolicy policy_;
    bool stopped_ = false;
};

} // namespace lindrel::stats
