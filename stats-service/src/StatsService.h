#pragma once

#include "Asio.h"
#include "Config.h"
#include "HttpFrontEnd.h"
#include "LookupPolicy.h"
#include "NameResolver.h"
#include "Poller.h"
#include "QueryRouter.h"
#include "Registry.h"

#include <functional>
#include <string>

namespace lindrel::stats {

// The stats service: answers the monitor's HTTP queries from what its poller learns of
// every watched game server. Its parts: the HTTP front end, the query router, the poller,
// the name resolver, the lookup policy and the registry with its state file. Runs on one
// io_context, on one thread. Errors are values: Start returns false with a reason.
class StatsService {
public:
    StatsService(asio::io_context& io, Config config);

    // Loads the state file, binds the HTTP and UDP sockets and starts the loops.
    bool Start(std::string& error);
    // Closes every socket and cancels every timer; the loops and sessions end, and
    // io_context::run returns once they have.
    void Stop();

    std::uint16_t httpPort() const { return frontEnd_.port(); }
    // The UDP port the IPv4 game server queries go out from.
    std::uint16_t queryPort() const { return poller_.queryPort(); }
    const Registry& registry() const { return registry_; }
    std::size_t connectionCount() const { return frontEnd_.connectionCount(); }
    // Called after every refresh with its duration (tests and benchmarks wait on it).
    std::function<void(Clock::duration)> onRefreshDone;

private:
    void AddRoutes();
    awaitable<HttpReply> Lookup(std::string_view value, asio::ip::address client);
    void SaveState() const;

    Config config_;
    Registry registry_;
    Poller poller_;
    NameResolver resolver_;
    LookupPolicy policy_;
    QueryRouter router_;
    HttpFrontEnd frontEnd_;
    bool stopped_ = false;
};

} // namespace lindrel::stats
