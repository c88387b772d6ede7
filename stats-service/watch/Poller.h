#pragma once

#include "asio/Asio.h"
#include "config/Limits.h"
#include "protocols/QueryDriver.h"
#include "watch/Registry.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace lindrel::stats {

// Queries every watched game server once per refresh, with one retry, each in its own
// protocol (QueryDriver), and records what the verified replies say. UDP replies are
// offered to the exchanges in flight for the endpoint they come from, and each exchange
// checks its own challenge or token, so forged packets change nothing. TCP queries run
// at most the timings' tcpParallel at a time, each within the query timeout. Errors are values:
// Open returns false with a reason, and a probe that gets no verified reply is empty.
class Poller {
public:
    Poller(asio::io_context& io, Registry& registry, PollTimings timings);

    // Opens the query sockets: IPv4 always, IPv6 where the host has it.
    bool Open(std::string& error);
    // Starts receiving, then refreshing after `first` completes (the names' first lookup).
    void Start(std::function<awaitable<void>()> first);
    void Stop();
    std::uint16_t queryPort() const;

    // Queries one endpoint once and waits up to the query timeout for a verified reply.
    awaitable<std::optional<StatusInfo>> Probe(const QueryDriver& driver, udp::endpoint endpoint,
                                               int& pingMs);

    // After every refresh, with its duration (tests and benchmarks wait on it).
    std::function<void(Clock::duration)> onRefreshDone;
    // After registered servers were dropped for their silence.
    std::function<void()> onRegisteredDropped;

private:
    struct ProbeWait {
        asio::steady_timer* wake = nullptr;
        std::optional<StatusInfo> status;
        int pingMs = 0;
    };
    // One UDP exchange in flight, found by the endpoint it talks to.
    struct InFlight {
        int serverId = 0; // 0 for a probe
        std::unique_ptr<Exchange> exchange;
        ProbeWait* probe = nullptr;
        Clock::time_point sentAt{};
        int pingMs = -1; // until the first packet it takes
    };
    using InFlightMap = std::unordered_multimap<std::string, InFlight>;
    // A refresh's TCP servers, taken one by one by the workers.
    struct TcpBatch {
        std::vector<int> ids;
        std::size_t next = 0;
    };

    awaitable<void> RefreshLoop(std::function<awaitable<void>()> first);
    awaitable<void> RefreshOnce();
    awaitable<void> SendQueries();
    awaitable<void> TcpWorker(std::shared_ptr<TcpBatch> batch);
    void SettleUnfinished();
    awaitable<void> ReceiveLoop(udp::socket& socket);
    InFlightMap::iterator Begin(const QueryDriver& driver, const udp::endpoint& to, int serverId,
                                ProbeWait* probe);
    bool SendTo(const udp::endpoint& to, const std::string& packet);
    void HandlePacket(const udp::endpoint& from, std::string_view packet);
    void Finish(InFlightMap::iterator done, const std::string& key);
    // Records a verified status; false when the server is gone or no longer waited for.
    bool Answered(int serverId, StatusInfo status, int pingMs);

    asio::io_context& io_;
    Registry& registry_;
    PollTimings timings_;
    Tokens tokens_;
    udp::socket udp4_;
    udp::socket udp6_;
    asio::steady_timer refreshWake_;
    asio::steady_timer tcpWake_;
    asio::steady_timer intervalTimer_;
    InFlightMap inFlight_;
    std::size_t pendingCount_ = 0;
    std::size_t tcpWorkers_ = 0;
    bool stopped_ = false;
};

} // namespace lindrel::stats
