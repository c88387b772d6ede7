#pragma once

#include "asio/Asio.h"
#include "config/Limits.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The service's HTTP side: accepts connections, holds them to their limits and deadlines,
// reads one request at a time and hands each to one handler. Errors are values: Listen
// returns false with a reason; a request error is answered with its status and closes the
// connection.
namespace lindrel::stats {

struct HttpReply {
    HttpReply() = default;
    HttpReply(int answer, std::string text, std::string_view type = "text/plain",
              std::string policy = {}, std::string cache = {})
        : status(answer), body(std::move(text)), contentType(type),
          securityPolicy(std::move(policy)), cacheControl(std::move(cache)) {}

    int status = 200;
    std::string body;
    std::string_view contentType = "text/plain"; // a literal: replies outlive no handler
    std::string securityPolicy;                  // Content-Security-Policy, if any
    std::string cacheControl;                    // Cache-Control, if any
};

class HttpFrontEnd {
public:
    // Takes the request target (such as "/?f=1") and the client's address.
    using Handler =
        std::function<awaitable<HttpReply>(std::string target, asio::ip::address client)>;

    HttpFrontEnd(asio::io_context& io, FrontEndLimits limits, Handler handler);
    ~HttpFrontEnd();
    HttpFrontEnd(const HttpFrontEnd&) = delete;
    HttpFrontEnd& operator=(const HttpFrontEnd&) = delete;

    // Listens there as well; the first listener's port is port().
    bool Listen(const tcp::endpoint& at, std::string& error);
    // Closes the listeners and every connection; the sessions end soon after.
    void Stop();
    std::uint16_t port() const;
    std::size_t connectionCount() const { return live_; }

private:
    enum class Phase { Waiting, Reading, Answering };
    // A session's stream with its deadlines (Beast's), known to this class's file alone.
    struct Stream;
    struct Connection {
        tcp::socket* socket = nullptr; // the stream's, closed by Stop and the eviction
        std::string client;
        Phase phase = Phase::Waiting;
        std::chrono::steady_clock::time_point since;
        bool counted = true; // false once evicted: the counts no longer hold it
    };
    using ConnectionList = std::list<Connection>;

    awaitable<void> AcceptLoop(tcp::acceptor& acceptor);
    awaitable<void> Session(tcp::socket socket, std::string client, asio::ip::address peer);
    // Reads (through `chunk`) until `received` holds a whole head (its end's place) or
    // kMaxHeadBytes without one (npos); empty when the client went away or was too slow.
    awaitable<std::optional<std::size_t>> ReadHead(Stream& stream, Connection& connection,
                                                   std::string& received, std::vector<char>& chunk,
                                                   bool first);
    bool Admit(const std::string& client);
    void Uncount(Connection& connection);
    void SetPhase(Connection& connection, Phase phase);

    asio::io_context& io_;
    FrontEndLimits limits_;
    Handler handler_;
    std::vector<std::unique_ptr<tcp::acceptor>> acceptors_;
    ConnectionList connections_;
    std::unordered_map<std::string, std::size_t> perClient_;
    std::size_t live_ = 0;
    bool stopped_ = false;
};

} // namespace lindrel::stats
