#include "http/HttpFrontEnd.h"

#include "asio/Beast.h"
#include "config/Net.h"

#include <vector>

namespace lindrel::stats {

struct HttpFrontEnd::Stream {
    beast::tcp_stream tcp;
};

namespace {

constexpr std::size_t kMaxHeadBytes = 8192;
constexpr std::size_t kMaxTargetBytes = 4096;
constexpr std::chrono::seconds kWriteTimeout{10};
// After an accept error such as EMFILE: the error repeats until a descriptor is freed, so
// trying again at once would only spin.
constexpr std::chrono::milliseconds kAcceptBackoff{50};

// The status that answers a head that did not fit: a request line too long for any
// query, or too many or too long header fields.
int StatusForOversizedHead(std::string_view head) {
    const auto lineEnd = head.find("\r\n");
    const auto lineBytes = lineEnd == std::string_view::npos ? head.size() : lineEnd;
    return lineBytes > kMaxTargetBytes ? 414 : 431;
}

// Parses a complete head ("...\r\n\r\n"); the status of the error answer, or 0 when
// the request is one to handle.
int ParseHead(std::string_view head, http::request_parser<http::empty_body>& parser) {
    parser.eager(true);
    parser.header_limit(static_cast<std::uint32_t>(kMaxHeadBytes));
    boost::system::error_code ec;
    parser.put(asio::buffer(head.data(), head.size()), ec);
    if (ec && ec != http::error::need_more) {
        return 400;
    }
    if (!parser.is_header_done()) {
        return 400;
    }
    // The service takes no request bodies.
    if (parser.chunked() || parser.content_length().value_or(0) > 0) {
        return 413;
    }
    return 0;
}

// A request's head, taken out of `received` and checked: the status of the error answer
// it gets (0 when none), else its target and whether the connection may go on.
struct Head {
    int status = 0;
    unsigned version = 11;
    std::string target;
    bool keepAlive = false;
};

Head TakeHead(std::string& received, std::size_t headEnd) {
    Head head;
    if (headEnd == std::string::npos) {
        head.status = StatusForOversizedHead(received);
        return head;
    }
    http::request_parser<http::empty_body> parser;
    head.status = ParseHead(std::string_view(received).substr(0, headEnd + 4), parser);
    received.erase(0, headEnd + 4);
    if (head.status != 0) {
        return head;
    }
    const auto& request = parser.get();
    const std::string_view target(request.target().data(), request.target().size());
    head.version = request.version();
    if (request.method() != http::verb::get) {
        head.status = static_cast<int>(http::status::method_not_allowed);
    } else if (target.size() > kMaxTargetBytes) {
        head.status = static_cast<int>(http::status::uri_too_long);
    } else {
        head.target = target;
        head.keepAlive = request.keep_alive();
    }
    return head;
}

// The answer: the handler's reply, or the head's error status with no body (an error
// answer ends the connection).
http::response<http::string_body> Answer(const Head& head, HttpReply reply) {
    http::response<http::string_body> response;
    response.version(head.version);
    response.set(http::field::server, "lindrel-stats");
    // Browsers take each answer for what its Content-Type says, never what it looks like.
    response.set("X-Content-Type-Options", "nosniff");
    response.result(static_cast<http::status>(reply.status));
    if (reply.status == static_cast<int>(http::status::method_not_allowed)) {
        response.set(http::field::allow, "GET");
    }
    response.body() = std::move(reply.body);
    if (!reply.securityPolicy.empty()) {
        response.set("Content-Security-Policy", reply.securityPolicy);
    }
    if (!reply.cacheControl.empty()) {
        response.set(http::field::cache_control, reply.cacheControl);
    }
    response.set(http::field::content_type,
                 beast::string_view(reply.contentType.data(), reply.contentType.size()));
    response.keep_alive(head.status == 0 && head.keepAlive);
    response.prepare_payload();
    return response;
}

} // namespace

HttpFrontEnd::HttpFrontEnd(asio::io_context& io, FrontEndLimits limits, Handler handler)
    : io_(io), limits_(limits), handler_(std::move(handler)) {}

HttpFrontEnd::~HttpFrontEnd() = default;

bool HttpFrontEnd::Listen(const tcp::endpoint& at, std::string& error) {
    auto acceptor = std::make_unique<tcp::acceptor>(io_);
    boost::system::error_code ec;
    acceptor->open(at.protocol(), ec);
    if (!ec) {
        acceptor->set_option(tcp::acceptor::reuse_address(true), ec);
    }
    if (!ec && at.address().is_v6()) {
        acceptor->set_option(asio::ip::v6_only(true), ec);
    }
    if (!ec) {
        acceptor->bind(at, ec);
    }
    if (!ec) {
        acceptor->listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error = "cannot listen on " + FormatHostPort(at.address().to_string(), at.port()) + ": " +
                ec.message();
        return false;
    }
    acceptors_.push_back(std::move(acceptor));
    asio::co_spawn(io_, AcceptLoop(*acceptors_.back()), asio::detached);
    return true;
}

std::uint16_t HttpFrontEnd::port() const {
    boost::system::error_code ec;
    return acceptors_.empty() ? 0 : acceptors_.front()->local_endpoint(ec).port();
}

void HttpFrontEnd::Stop() {
    stopped_ = true;
    boost::system::error_code ignored;
    for (auto& acceptor : acceptors_) {
        acceptor->close(ignored);
    }
    for (Connection& connection : connections_) {
        connection.socket->close(ignored);
    }
}

awaitable<void> HttpFrontEnd::AcceptLoop(tcp::acceptor& acceptor) {
    asio::steady_timer backoff(io_);
    while (!stopped_) {
        tcp::socket socket(io_);
        boost::system::error_code ec;
        co_await acceptor.async_accept(socket, asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::error::operation_aborted || stopped_) {
            break;
        }
        if (ec) {
            backoff.expires_after(kAcceptBackoff);
            co_await backoff.async_wait(asio::redirect_error(asio::use_awaitable, ec));
            continue;
        }
        const auto remote = socket.remote_endpoint(ec);
        if (ec) {
            continue;
        }
        std::string client = ClientKey(remote.address());
        if (Admit(client)) {
            asio::co_spawn(io_, Session(std::move(socket), std::move(client), remote.address()),
                           asio::detached);
        }
        // A refused socket closes as it goes out of scope.
    }
}

// Whether a new connection of this client may start. When the service is full, the
// connection idle for longest makes room; failing that, the oldest still sending its head.
bool HttpFrontEnd::Admit(const std::string& client) {
    const auto held = perClient_.find(client);
    if (held != perClient_.end() && held->second >= limits_.maxPerClient) {
        return false;
    }
    if (live_ >= limits_.maxConnections) {
        Connection* victim = nullptr;
        for (const Phase phase : {Phase::Waiting, Phase::Reading}) {
            for (Connection& connection : connections_) {
                if (connection.counted && connection.phase == phase &&
                    (victim == nullptr || connection.since < victim->since)) {
                    victim = &connection;
                }
            }
            if (victim != nullptr) {
                break;
            }
        }
        if (victim == nullptr) {
            return false;
        }
        Uncount(*victim);
        boost::system::error_code ignored;
        victim->socket->close(ignored);
    }
    ++perClient_[client];
    ++live_;
    return true;
}

void HttpFrontEnd::Uncount(Connection& connection) {
    if (!connection.counted) {
        return;
    }
    connection.counted = false;
    --live_;
    const auto found = perClient_.find(connection.client);
    if (found != perClient_.end() && --found->second == 0) {
        perClient_.erase(found);
    }
}

void HttpFrontEnd::SetPhase(Connection& connection, Phase phase) {
    connection.phase = phase;
    connection.since = std::chrono::steady_clock::now();
}

awaitable<void> HttpFrontEnd::Session(tcp::socket socket, std::string client,
                                      asio::ip::address peer) {
    Stream session{beast::tcp_stream(std::move(socket))};
    beast::tcp_stream& stream = session.tcp;
    // Known to Stop and to the eviction, which close it; forgotten when the session ends
    // however it ends.
    connections_.push_back({&stream.socket(), std::move(client), Phase::Waiting,
                            std::chrono::steady_clock::now(), true});
    const auto self = std::prev(connections_.end());
    struct Forget {
        HttpFrontEnd& frontEnd;
        ConnectionList::iterator connection;
        ~Forget() {
            frontEnd.Uncount(*connection);
            frontEnd.connections_.erase(connection);
        }
    } forget{*this, self};

    // Bytes read and not yet used: the rest of a head, or requests sent ahead.
    std::string received;
    received.reserve(kMaxHeadBytes);
    std::vector<char> chunk(kMaxHeadBytes);
    bool first = true;
    while (!stopped_) {
        const auto headEnd = co_await ReadHead(session, *self, received, chunk, first);
        if (!headEnd) {
            break; // the client went away or was too slow: nobody to answer
        }
        first = false;
        SetPhase(*self, Phase::Answering);
        Head head = TakeHead(received, *headEnd);
        HttpReply reply{head.status, {}};
        if (head.status == 0) {
            reply = co_await handler_(std::move(head.target), peer);
        }
        auto response = Answer(head, std::move(reply));
        stream.expires_after(kWriteTimeout);
        boost::system::error_code ec;
        co_await http::async_write(stream, response, asio::redirect_error(asio::use_awaitable, ec));
        if (ec || !response.keep_alive()) {
            break;
        }
    }
    boost::system::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
}

awaitable<std::optional<std::size_t>> HttpFrontEnd::ReadHead(Stream& session,
                                                             Connection& connection,
                                                             std::string& received,
                                                             std::vector<char>& chunk, bool first) {
    beast::tcp_stream& stream = session.tcp;
    // Idle until the next request's first byte (a new connection gets as long as a head
    // may take, a kept-alive one the idle timeout), then the head deadline.
    std::size_t headEnd = received.find("\r\n\r\n");
    while (headEnd == std::string::npos && received.size() < kMaxHeadBytes) {
        if (received.empty()) {
            SetPhase(connection, Phase::Waiting);
            stream.expires_after(first ? limits_.headTimeout : limits_.idleTimeout);
        } else if (connection.phase != Phase::Reading) {
            SetPhase(connection, Phase::Reading);
            stream.expires_after(limits_.headTimeout);
        }
        boost::system::error_code ec;
        const std::size_t got = co_await stream.async_read_some(
            asio::buffer(chunk.data(), kMaxHeadBytes - received.size()),
            asio::redirect_error(asio::use_awaitable, ec));
        if (ec) {
            co_return std::nullopt;
        }
        const std::size_t searchFrom = received.size() < 3 ? 0 : received.size() - 3;
        received.append(chunk.data(), got);
        headEnd = received.find("\r\n\r\n", searchFrom);
    }
    co_return headEnd;
}

} // namespace lindrel::stats
