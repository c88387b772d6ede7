#pragma once

#include "Asio.h"
#include "Config.h"
#include "Registry.h"

#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace lindrel::stats {

// The stats service: answers the monitor's HTTP queries from what it learns by querying
// every watched game server over UDP. Runs on one io_context, on one thread.
class StatsService {
public:
    StatsService(asio::io_context& io, Config config);

    // Binds the HTTP and UDP sockets, loads the state file and starts the loops.
    bool Start(std::string& error);
    // Closes every socket and cancels every timer; the loops and sessions end, and
    // io_context::run returns once they have.
    void Stop();

    std::uint16_t httpPort() const { return httpPort_; }
    // The UDP port the game server queries go out from.
    std::uint16_t queryPort() const;
    const Registry& registry() const { return registry_; }
    // Called after every refresh with its duration (tests and benchmarks wait on it).
    std::function<void(Clock::duration)> onRefreshDone;

    // The reply to one query (the part after "/?"), with its HTTP status.
    struct Reply {
        int status = 200;
        std::string body;
    };
    awaitable<Reply> Answer(std::string query);

private:
    struct Probe {
        asio::steady_timer* wake = nullptr;
        std::optional<StatusInfo> status;
    };

    awaitable<void> RefreshLoop();
    awaitable<void> RefreshOnce();
    awaitable<void> ReceiveLoop();
    awaitable<void> AcceptLoop();
    awaitable<void> Session(tcp::socket socket);
    awaitable<Reply> Lookup(std::string_view value);
    awaitable<void> SendQueries();
    void Send(std::uint32_t address, std::uint16_t port);
    void HandlePacket(const udp::endpoint& from, std::string_view packet);
    bool TakeLookupToken();
    void SaveState() const;

    asio::io_context& io_;
    Config config_;
    Registry registry_;
    tcp::acceptor acceptor_;
    udp::socket udp_;
    asio::steady_timer refreshWake_;
    asio::steady_timer intervalTimer_;
    std::size_t pendingCount_ = 0;
    std::unordered_map<std::uint64_t, Probe*> probes_;
    std::deque<Clock::time_point> recentLookups_;
    std::unordered_set<beast::tcp_stream*> sessions_;
    std::uint16_t httpPort_ = 0;
    bool stopped_ = false;
};

} // namespace lindrel::stats
