#include "Poller.h"

#include "Net.h"

namespace lindrel::stats {

namespace {

// Queries go out in bursts this large, a millisecond apart, so that the replies of
// hundreds of servers do not overflow the socket's receive buffer at once.
constexpr std::size_t kSendBurst = 256;
constexpr int kReceiveBufferBytes = 4 << 20;
constexpr std::size_t kChallengeChars = 12;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

} // namespace

Poller::Poller(asio::io_context& io, Registry& registry, PollTimings timings)
    : io_(io), registry_(registry), timings_(timings), udp4_(io), udp6_(io), refreshWake_(io),
      intervalTimer_(io) {}

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
    intervalTimer_.cancel();
    for (auto& [challenge, pending] : pending_) {
        if (pending.probe != nullptr) {
            pending.probe->wake->cancel();
        }
    }
}

std::uint16_t Poller::queryPort() const {
    boost::system::error_code ec;
    const auto endpoint = udp4_.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

std::string Poller::NewChallenge() {
    static constexpr std::string_view kAlphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string challenge;
    while (challenge.size() < kChallengeChars) {
        // Five characters of 62 from each 32-bit draw of the system's random source.
        std::uint32_t bits = random_();
        for (int i = 0; i < 5 && challenge.size() < kChallengeChars; ++i) {
            challenge += kAlphabet[bits % kAlphabet.size()];
            bits /= static_cast<std::uint32_t>(kAlphabet.size());
        }
    }
    return challenge;
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
    for (auto& server : registry_.servers()) {
        server.pending = true;
        pendingCount_ += server.endpoint ? 1u : 0u;
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
    for (auto& server : registry_.servers()) {
        if (server.pending) {
            server.pending = false;
            Registry::RecordMiss(server, timings_.downAfterMisses);
        }
    }
    pendingCount_ = 0;
    std::erase_if(pending_, [](const auto& entry) { return entry.second.serverId != 0; });
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
        if (!server.pending || !server.endpoint) {
            continue;
        }
        server.sentAt = Clock::now();
        const std::string challenge = Send(*server.endpoint);
        if (!challenge.empty()) {
            pending_[challenge] = {server.id, EndpointKey(*server.endpoint), nullptr};
        }
        if (++sent % kSendBurst == 0) {
            pause.expires_after(std::chrono::milliseconds(1));
            boost::system::error_code ec;
            co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        }
    }
}

// Sends a getstatus with a new challenge; empty when the query could not go out (it then
// counts as lost, and the retry or the next refresh sends it again).
std::string Poller::Send(const udp::endpoint& to) {
    udp::socket& socket = Unmapped(to.address()).is_v4() ? udp4_ : udp6_;
    if (!socket.is_open()) {
        return {};
    }
    std::string challenge = NewChallenge();
    const std::string request = BuildGetStatusRequest(challenge);
    const udp::endpoint target(Unmapped(to.address()), to.port());
    boost::system::error_code ec;
    socket.send_to(asio::buffer(request), target, 0, ec);
    return ec ? std::string() : challenge;
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

void Poller::HandlePacket(const udp::endpoint& from, std::string_view packet) {
    auto status = ParseStatusResponse(packet);
    if (!status || status->challenge.empty()) {
        return;
    }
    const auto found = pending_.find(status->challenge);
    // Replies nobody asked for, late ones, forged ones and garbage change nothing.
    if (found == pending_.end() || found->second.endpointKey != EndpointKey(from)) {
        return;
    }
    const Pending pending = found->second;
    pending_.erase(found);
    if (pending.probe != nullptr) {
        pending.probe->status = std::move(status);
        pending.probe->wake->cancel();
        return;
    }
    GameServer* server = registry_.FindById(pending.serverId);
    if (server == nullptr || !server->pending) {
        return;
    }
    Registry::RecordAnswer(*server, std::move(*status), MillisecondsSince(server->sentAt));
    server->pending = false;
    if (--pendingCount_ == 0) {
        refreshWake_.cancel();
    }
}

awaitable<std::optional<StatusInfo>> Poller::Probe(udp::endpoint endpoint, int& pingMs) {
    if (stopped_) {
        co_return std::nullopt;
    }
    asio::steady_timer wake(io_);
    ProbeWait wait{&wake, std::nullopt};
    const auto sentAt = Clock::now();
    const std::string challenge = Send(endpoint);
    if (challenge.empty()) {
        co_return std::nullopt;
    }
    pending_[challenge] = {0, EndpointKey(endpoint), &wait};
    wake.expires_after(timings_.queryTimeout);
    boost::system::error_code ec;
    co_await wake.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    pending_.erase(challenge);
    pingMs = MillisecondsSince(sentAt);
    co_return stopped_ ? std::nullopt : std::move(wait.status);
}

} // namespace lindrel::stats
