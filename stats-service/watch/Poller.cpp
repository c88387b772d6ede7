#include "watch/Poller.h"

#include "config/Net.h"
#include "watch/TcpQuery.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

// Queries go out in bursts this large, a millisecond apart, so that the replies of
// hundreds of servers do not overflow the socket's receive buffer at once.
constexpr std::size_t kSendBurst = 256;
constexpr int kReceiveBufferBytes = 4 << 20;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

tcp::endpoint TcpEndpoint(const udp::endpoint& endpoint) {
    return {Unmapped(endpoint.address()), endpoint.port()};
}

} // namespace

Poller::Poller(asio::io_context& io, Registry& registry, PollTimings timings)
    : io_(io), registry_(registry), timings_(timings), udp4_(io), udp6_(io), refreshWake_(io),
      tcpWake_(io), intervalTimer_(io) {}

bool Poller::Open(std::string& error) {
    boost::system::error_code ec;
    udp4_.open(udp::v4(), ec);
    if (!ec) {
        udp4_.bind(udp::endpoint(udp::v4(), 0), ec);
    }
    if (ec) {
        error = "cannot open the query socket: " + ec.message();
        return false;
    }
    // The kernel caps this at its own limit; a smaller buffer only means more retries.
    udp4_.set_option(asio::socket_base::receive_buffer_size(kReceiveBufferBytes), ec);
    udp6_.open(udp::v6(), ec);
    if (!ec) {
        udp6_.set_option(asio::ip::v6_only(true), ec);
        udp6_.bind(udp::endpoint(udp::v6(), 0), ec);
        udp6_.set_option(asio::socket_base::receive_buffer_size(kReceiveBufferBytes), ec);
    }
    if (ec) {
        // A host without IPv6 still watches its IPv4 servers.
        boost::system::error_code ignored;
        udp6_.close(ignored);
    }
    return true;
}

void Poller::Start(std::function<awaitable<void>()> first) {
    asio::co_spawn(io_, ReceiveLoop(udp4_), asio::detached);
    if (udp6_.is_open()) {
        asio::co_spawn(io_, ReceiveLoop(udp6_), asio::detached);
    }
    asio::co_spawn(io_, RefreshLoop(std::move(first)), asio::detached);
}

void Poller::Stop() {
    stopped_ = true;
    boost::system::error_code ignored;
    udp4_.close(ignored);
    udp6_.close(ignored);
    refreshWake_.cancel();
    tcpWake_.cancel();
    intervalTimer_.cancel();
    for (auto& [key, query] : inFlight_) {
        if (query.probe != nullptr) {
            query.probe->wake->cancel();
        }
    }
}

std::uint16_t Poller::queryPort() const {
    boost::system::error_code ec;
    const auto endpoint = udp4_.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

awaitable<void> Poller::RefreshLoop(std::function<awaitable<void>()> first) {
    if (first) {
        co_await first();
    }
    while (!stopped_) {
        const auto started = Clock::now();
        co_await RefreshOnce();
        if (stopped_) {
            break;
        }
        if (onRefreshDone) {
            onRefreshDone(Clock::now() - started);
        }
        intervalTimer_.expires_at(started + timings_.refreshInterval);
        boost::system::error_code ec;
        co_await intervalTimer_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    }
}

awaitable<void> Poller::RefreshOnce() {
    pendingCount_ = 0;
    auto tcp = std::make_shared<TcpBatch>();
    for (auto& server : registry_.servers()) {
        server.pending = true;
        if (server.endpoint && server.driver->transport() == Transport::Tcp) {
            tcp->ids.push_back(server.id);
        } else if (server.endpoint) {
            ++pendingCount_;
        }
    }
    // The TCP servers are asked alongside the UDP ones.
    tcpWorkers_ = std::min(timings_.tcpParallel, tcp->ids.size());
    for (std::size_t i = 0; i < tcpWorkers_; ++i) {
        asio::co_spawn(io_, TcpWorker(tcp), asio::detached);
    }
    // First query, then one retry for the servers that have not answered.
    for (int attempt = 0; attempt < 2 && pendingCount_ > 0 && !stopped_; ++attempt) {
        co_await SendQueries();
        if (pendingCount_ > 0 && !stopped_) {
            refreshWake_.expires_after(timings_.queryTimeout);
            boost::system::error_code ec;
            co_await refreshWake_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        }
    }
    while (tcpWorkers_ > 0 && !stopped_) {
        tcpWake_.expires_after(timings_.queryTimeout);
        boost::system::error_code ec;
        co_await tcpWake_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    }
    SettleUnfinished();
    for (auto& server : registry_.servers()) {
        if (server.pending) {
            server.pending = false;
            Registry::RecordMiss(server, timings_.downAfterMisses);
        }
    }
    pendingCount_ = 0;
    std::erase_if(inFlight_, [](const auto& entry) { return entry.second.serverId != 0; });
    const auto now =
        std::chrono::duration_cast<std::chrono::seconds>(WallClock::now().time_since_epoch());
    if (registry_.DropSilentSince((now - timings_.dropAfter).count()) && onRegisteredDropped) {
        onRegisteredDropped();
    }
}

awaitable<void> Poller::SendQueries() {
    asio::steady_timer pause(io_);
    std::size_t sent = 0;
    // By index: a lookup may add servers while this coroutine pauses.
    for (std::size_t i = 0; i < registry_.servers().size() && !stopped_; ++i) {
        GameServer& server = registry_.servers()[i];
        // A name that has not resolved yet is not asked, and so counts as silent.
        if (!server.pending || !server.endpoint || server.driver->transport() != Transport::Udp) {
            continue;
        }
        // A query that could not go out counts as lost: the retry or the next refresh
        // sends it again.
        Begin(*server.driver, *server.endpoint, server.id, nullptr);
        if (++sent % kSendBurst == 0) {
            pause.expires_after(std::chrono::milliseconds(1));
            boost::system::error_code ec;
            co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        }
    }
}

awaitable<void> Poller::TcpWorker(std::shared_ptr<TcpBatch> batch) {
    while (!stopped_ && batch->next < batch->ids.size()) {
        const int id = batch->ids[batch->next++];
        // Both attempts within one query timeout: a server that never answers holds its
        // place no longer, however many servers wait for one.
        const auto deadline = std::chrono::steady_clock::now() + timings_.queryTimeout;
        for (int attempt = 0;
             attempt < 2 && !stopped_ && std::chrono::steady_clock::now() < deadline; ++attempt) {
            // By id after every wait: a server may have gone meanwhile.
            const GameServer* server = registry_.FindById(id);
            if (server == nullptr || !server->pending || !server->endpoint) {
                break;
            }
            const auto exchange = server->driver->NewExchange(tokens_);
            int pingMs = 0;
            auto status = co_await QueryOverTcp(io_.get_executor(), *exchange,
                                                TcpEndpoint(*server->endpoint), deadline, pingMs);
            if (status && !stopped_) {
                Answered(id, std::move(*status), pingMs);
                break;
            }
        }
    }
    if (--tcpWorkers_ == 0) {
        tcpWake_.cancel();
    }
}

// At the deadline, an exchange that has the server's info but not yet all of its players
// still shows the server up.
void Poller::SettleUnfinished() {
    for (auto& [key, query] : inFlight_) {
        if (query.serverId == 0) {
            continue;
        }
        const GameServer* server = registry_.FindById(query.serverId);
        if (server == nullptr || !server->pending) {
            continue;
        }
        if (auto status = query.exchange->Result()) {
            Answered(query.serverId, std::move(*status),
                     query.pingMs >= 0 ? query.pingMs : MillisecondsSince(query.sentAt));
        }
    }
}

Poller::InFlightMap::iterator Poller::Begin(const QueryDriver& driver, const udp::endpoint& to,
                                            int serverId, ProbeWait* probe) {
    auto exchange = driver.NewExchange(tokens_);
    const auto sentAt = Clock::now();
    for (const auto& packet : exchange->Start()) {
        if (!SendTo(to, packet)) {
            return inFlight_.end();
        }
    }
    return inFlight_.emplace(EndpointKey(to),
                             InFlight{serverId, std::move(exchange), probe, sentAt, -1});
}

bool Poller::SendTo(const udp::endpoint& to, const std::string& packet) {
    udp::socket& socket = Unmapped(to.address()).is_v4() ? udp4_ : udp6_;
    if (!socket.is_open()) {
        return false;
    }
    boost::system::error_code ec;
    socket.send_to(asio::buffer(packet), udp::endpoint(Unmapped(to.address()), to.port()), 0, ec);
    return !ec;
}

awaitable<void> Poller::ReceiveLoop(udp::socket& socket) {
    std::vector<char> buffer(65536);
    udp::endpoint from;
    while (!stopped_) {
        boost::system::error_code ec;
        const std::size_t size = co_await socket.async_receive_from(
            asio::buffer(buffer), from, asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::error::operation_aborted || stopped_) {
            break;
        }
        if (!ec) {
            HandlePacket(from, std::string_view(buffer.data(), size));
        }
    }
}

// Replies nobody asked for, late ones, forged ones and garbage are taken by no exchange
// and change nothing.
void Poller::HandlePacket(const udp::endpoint& from, std::string_view packet) {
    const std::string key = EndpointKey(from);
    const auto [begin, end] = inFlight_.equal_range(key);
    for (auto it = begin; it != end; ++it) {
        InFlight& query = it->second;
        const Step step = query.exchange->Feed(packet);
        if (step.kind == Step::Kind::Ignore) {
            continue;
        }
        if (query.pingMs < 0) {
            query.pingMs = MillisecondsSince(query.sentAt);
        }
        if (step.kind == Step::Kind::Send) {
            SendTo(from, step.packet);
        } else if (step.kind == Step::Kind::Done) {
            Finish(it, key);
        }
        return;
    }
}

void Poller::Finish(InFlightMap::iterator done, const std::string& key) {
    auto status = done->second.exchange->Result();
    const int pingMs = done->second.pingMs;
    if (ProbeWait* probe = done->second.probe) {
        inFlight_.erase(done);
        probe->status = std::move(status);
        probe->pingMs = pingMs;
        probe->wake->cancel();
        return;
    }
    const int id = done->second.serverId;
    // The server's other exchanges (a retry's) end with this one.
    const auto [begin, end] = inFlight_.equal_range(key);
    for (auto it = begin; it != end;) {
        it = it->second.serverId == id ? inFlight_.erase(it) : std::next(it);
    }
    if (status && Answered(id, std::move(*status), pingMs) && --pendingCount_ == 0) {
        refreshWake_.cancel();
    }
}

bool Poller::Answered(int serverId, StatusInfo status, int pingMs) {
    GameServer* server = registry_.FindById(serverId);
    if (server == nullptr || !server->pending) {
        return false;
    }
    Registry::RecordAnswer(*server, std::move(status), pingMs);
    server->pending = false;
    return true;
}

awaitable<std::optional<StatusInfo>> Poller::Probe(const QueryDriver& driver,
                                                   udp::endpoint endpoint, int& pingMs) {
    if (stopped_) {
        co_return std::nullopt;
    }
    if (driver.transport() == Transport::Tcp) {
        const auto exchange = driver.NewExchange(tokens_);
        co_return co_await QueryOverTcp(io_.get_executor(), *exchange, TcpEndpoint(endpoint),
                                        std::chrono::steady_clock::now() + timings_.queryTimeout,
                                        pingMs);
    }
    asio::steady_timer wake(io_);
    ProbeWait wait{&wake, std::nullopt, 0};
    const auto started = Begin(driver, endpoint, 0, &wait);
    if (started == inFlight_.end()) {
        co_return std::nullopt;
    }
    wake.expires_after(timings_.queryTimeout);
    boost::system::error_code ec;
    co_await wake.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    // Not finished in time: what it has, if that shows the server up.
    const auto [begin, end] = inFlight_.equal_range(EndpointKey(endpoint));
    for (auto it = begin; it != end; ++it) {
        if (it->second.probe == &wait) {
            wait.status = it->second.exchange->Result();
            wait.pingMs = std::max(0, it->second.pingMs);
            inFlight_.erase(it);
            break;
        }
    }
    pingMs = wait.pingMs;
    co_return stopped_ ? std::nullopt : std::move(wait.status);
}

} // namespace lindrel::stats
