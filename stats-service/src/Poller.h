#pragma once

#include "Asio.h"
#include "Registry.h"

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>

namespace lindrel::stats {

struct PollTimings {
    std::chrono::milliseconds refreshInterval{10'000};
    std::chrono::milliseconds queryTimeout{1'000};
    int downAfterMisses = 2;
    std::chrono::seconds dropAfter{std::chrono::hours(24 * 30)};
};

// Queries every watched game server over UDP, once per refresh with one retry, and records
// what the verified replies say. Every query carries a fresh random challenge; a reply
// counts only when it comes from the address and port queried and echoes a challenge sent
// to that server, so forged packets change nothing. Errors are values: Open returns false
// with a reason, and a probe that gets no verified reply is empty.
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
    awaitable<std::optional<StatusInfo>> Probe(udp::endpoint endpoint, int& pingMs);

    // After every refresh, with its duration (tests and benchmarks wait on it).
    std::function<void(Clock::duration)> onRefreshDone;
    // After registered servers were dropped for their silence.
    std::function<void()> onRegisteredDropped;

private:
    struct ProbeWait {
        asio::steady_timer* wake = nullptr;
        std::optional<StatusInfo> status;
    };
    // One query in flight, found by the challenge it carries.
    struct Pending {
        int serverId = 0; // 0 for a probe
        std::string endpointKey;
        ProbeWait* probe = nullptr;
    };

    awaitable<void> RefreshLoop(std::function<awaitable<void>()> first);
    awaitable<void> RefreshOnce();
    awaitable<void> SendQueries();
    awaitable<void> ReceiveLoop(udp::socket& socket);
    std::string Send(const udp::endpoint& to);
    void HandlePacket(const udp::endpoint& from, std::string_view packet);
    std::string NewChallenge();

    asio::io_context& io_;
    Registry& registry_;
    PollTimings timings_;
    udp::socket udp4_;
    udp::socket udp6_;
    asio::steady_timer refreshWake_;
    asio::steady_timer intervalTimer_;
    std::unordered_map<std::string, Pending> pending_;
    std::size_t pendingCount_ = 0;
    std::random_device random_;
    bool stopped_ = false;
};

} // namespace lindrel::stats
