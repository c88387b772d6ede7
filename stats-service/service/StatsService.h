#pragma once

#include "asio/Asio.h"
#include "config/Config.h"
#include "history/History.h"
#include "history/Trends.h"
#include "http/HttpFrontEnd.h"
#include "http/QueryRouter.h"
#include "notify/Notifier.h"
#include "pages/Metrics.h"
#include "watch/NameResolver.h"
#include "watch/Poller.h"
#include "watch/Registry.h"
#include "watch/ServerEvents.h"
#include "watch/ServerLookup.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace lindrel::stats {

// The stats service: answers the monitor's HTTP queries from what its poller learns of
// every watched game server, and tells people and other programs of them: a status page,
// JSON, Prometheus metrics, a history file and webhooks. Its parts: the HTTP front end,
// the query router, the poller, the name resolver, the lookups, the registry with
// its state file, the history with its own thread, the trends, the event finder and the
// notifier. Runs on one io_context, on one thread, but for the history file's writes.
// Errors are values: Start returns false with a reason.
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

    // Registry and trends of the watched servers (tests and benchmarks read them).
    const Trends& trends() const { return trends_; }

private:
    // A reply made at most once per refresh, since nothing it shows changes in between.
    struct CachedReply {
        std::uint64_t generation = UINT64_MAX;
        HttpReply reply;
    };

    void AddRoutes();
    void AddWebRoutes();
    // Opens the history file, when one is configured; without it the service goes on.
    void StartHistory();
    void AfterRefresh(Clock::duration took);
    // The configured servers in their quiet hours now.
    void FindQuietServers(std::int64_t now);
    const HttpReply& Cached(CachedReply& cache, const std::function<HttpReply()>& make);
    awaitable<HttpReply> HistoryReply(std::string_view rest, const QueryPairs& pairs);
    awaitable<HttpReply> BadgeReply(std::string_view rest);
    void SaveState() const;
    // Where the live messages' ids are kept: the history file, else the state file.
    void RestoreLiveIds(std::string_view stateFile);
    void KeepLiveId(const std::string& key, const std::string& id);
    void ShowLiveMessages();

    Config config_;
    Registry registry_;
    Poller poller_;
    NameResolver resolver_;
    ServerLookup lookup_;
    QueryRouter router_;
    HttpFrontEnd frontEnd_;
    asio::io_context& io_;
    ServiceCounters counters_;
    Trends trends_;
    ServerEvents events_;
    QuietFilter quietFilter_;
    std::unordered_set<int> quietNow_; // in maintenance since the last refresh
    std::unique_ptr<History> history_;
    Notifier notifier_;
    std::uint64_t generation_ = 0;
    CachedReply page_;
    CachedReply serversJson_;
    CachedReply metrics_;
    std::unordered_map<int, CachedReply> badges_; // by id, of configured servers only
    bool anyLive_ = false;
    KeptTexts liveIds_; // by the webhook's LiveKey, for the state file
};

} // namespace lindrel::stats
