#include "StatsService.h"

#include "Replies.h"
#include "core/FileIo.h"
#include "core/Text.h"
#include "core/UrlCodec.h"

#include <iostream>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxSessions = 256;
constexpr std::size_t kMaxHeaderBytes = 8192;
constexpr std::chrono::seconds kIdleTimeout{30};
// Queries go out in bursts this large, a millisecond apart, so that the replies of
// hundreds of servers do not overflow the socket's receive buffer at once.
constexpr std::size_t kSendBurst = 256;
constexpr int kReceiveBufferBytes = 4 << 20;

std::uint64_t EndpointKey(std::uint32_t address, std::uint16_t port) {
    return (std::uint64_t{address} << 16) | port;
}

StatsService::Reply NotFound() {
    return {200, "NO SERVER FOUND\n"};
}

std::string_view ValueOf(const std::vector<std::pair<std::string_view, std::string_view>>& pairs,
                         std::string_view key) {
    for (const auto& [name, value] : pairs) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

} // namespace

StatsService::StatsService(asio::io_context& io, Config config)
    : io_(io), config_(std::move(config)), acceptor_(io), udp_(io), refreshWake_(io),
      intervalTimer_(io) {}

bool StatsService::Start(std::string& error) {
    for (const auto* list : {&config_.directory, &config_.servers}) {
        for (const auto& entry : *list) {
            GameServer server;
            server.id = entry.id;
            server.configuredName = entry.name;
            server.gameType = entry.gameType;
            server.address = ParseIpv4(entry.address).value_or(0);
            server.port = entry.port;
            registry_.Add(std::move(server));
        }
    }
    if (!config_.stateFile.empty()) {
        if (const auto saved = ReadFileContent(config_.stateFile)) {
            registry_.LoadRegistered(*saved, config_.maxRegistered);
        }
    }

    boost::system::error_code ec;
    const auto listenAddress = asio::ip::make_address_v4(config_.listenAddress, ec);
    if (ec) {
        error = "bad listen address " + config_.listenAddress;
        return false;
    }
    const tcp::endpoint listen(listenAddress, config_.listenPort);
    acceptor_.open(listen.protocol(), ec);
    if (!ec) {
        acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
        acceptor_.bind(listen, ec);
    }
    if (!ec) {
        acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error = "cannot listen on " + config_.listenAddress + ":" +
                std::to_string(config_.listenPort) + ": " + ec.message();
        return false;
    }
    httpPort_ = acceptor_.local_endpoint(ec).port();

    udp_.open(udp::v4(), ec);
    if (!ec) {
        udp_.bind(udp::endpoint(udp::v4(), 0), ec);
    }
    if (ec) {
        error = "cannot open the query socket: " + ec.message();
        return false;
    }
    udp_.non_blocking(true, ec);
    // The kernel caps this at its own limit; a smaller buffer only means more retries.
    udp_.set_option(asio::socket_base::receive_buffer_size(kReceiveBufferBytes), ec);

    asio::co_spawn(io_, ReceiveLoop(), asio::detached);
    asio::co_spawn(io_, RefreshLoop(), asio::detached);
    asio::co_spawn(io_, AcceptLoop(), asio::detached);
    return true;
}

std::uint16_t StatsService::queryPort() const {
    boost::system::error_code ec;
    const auto endpoint = udp_.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

void StatsService::Stop() {
    stopped_ = true;
    boost::system::error_code ignored;
    acceptor_.close(ignored);
    udp_.close(ignored);
    refreshWake_.cancel();
    intervalTimer_.cancel();
    for (auto& [key, probe] : probes_) {
        probe->wake->cancel();
    }
    for (beast::tcp_stream* stream : sessions_) {
        stream->socket().close(ignored);
    }
}

awaitable<void> StatsService::RefreshLoop() {
    while (!stopped_) {
        const auto started = Clock::now();
        co_await RefreshOnce();
        if (stopped_) {
            break;
        }
        if (onRefreshDone) {
            onRefreshDone(Clock::now() - started);
        }
        intervalTimer_.expires_at(started + config_.refreshInterval);
        boost::system::error_code ec;
        co_await intervalTimer_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    }
}

awaitable<void> StatsService::RefreshOnce() {
    for (auto& server : registry_.servers()) {
        server.pending = true;
    }
    pendingCount_ = registry_.servers().size();
    // First query, then one retry for the servers that have not answered.
    for (int attempt = 0; attempt < 2 && pendingCount_ > 0 && !stopped_; ++attempt) {
        co_await SendQueries();
        if (pendingCount_ > 0 && !stopped_) {
            refreshWake_.expires_after(config_.queryTimeout);
            boost::system::error_code ec;
            co_await refreshWake_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        }
    }
    for (auto& server : registry_.servers()) {
        if (server.pending) {
            server.pending = false;
            Registry::RecordMiss(server, config_.downAfterMisses);
        }
    }
    pendingCount_ = 0;
}

awaitable<void> StatsService::SendQueries() {
    asio::steady_timer pause(io_);
    std::size_t sent = 0;
    // By index: a lookup may add servers while this coroutine pauses.
    for (std::size_t i = 0; i < registry_.servers().size() && !stopped_; ++i) {
        GameServer& server = registry_.servers()[i];
        if (!server.pending) {
            continue;
        }
        server.sentAt = Clock::now();
        Send(server.address, server.port);
        if (++sent % kSendBurst == 0) {
            pause.expires_after(std::chrono::milliseconds(1));
            boost::system::error_code ec;
            co_await pause.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        }
    }
}

void StatsService::Send(std::uint32_t address, std::uint16_t port) {
    boost::system::error_code ec;
    udp_.send_to(asio::buffer(kGetStatusRequest.data(), kGetStatusRequest.size()),
                 udp::endpoint(asio::ip::address_v4(address), port), 0, ec);
    // A query the socket could not take counts as lost; the retry or the next refresh
    // sends it again.
}

awaitable<void> StatsService::ReceiveLoop() {
    std::vector<char> buffer(65536);
    udp::endpoint from;
    while (!stopped_) {
        boost::system::error_code ec;
        const std::size_t size = co_await udp_.async_receive_from(
            asio::buffer(buffer), from, asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::error::operation_aborted || stopped_) {
            break;
        }
        if (!ec) {
            HandlePacket(from, std::string_view(buffer.data(), size));
        }
    }
}

void StatsService::HandlePacket(const udp::endpoint& from, std::string_view packet) {
    if (!from.address().is_v4()) {
        return;
    }
    const std::uint32_t address = from.address().to_v4().to_uint();
    const std::uint16_t port = from.port();
    if (const auto probe = probes_.find(EndpointKey(address, port)); probe != probes_.end()) {
        if (auto status = ParseStatusResponse(packet)) {
            probe->second->status = std::move(status);
            probe->second->wake->cancel();
        }
        return;
    }
    GameServer* server = registry_.FindByEndpoint(address, port);
    // Replies nobody asked for, late ones and garbage change nothing.
    if (server == nullptr || !server->pending) {
        return;
    }
    auto status = ParseStatusResponse(packet);
    if (!status) {
        return;
    }
    const auto ping =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - server->sentAt);
    Registry::RecordAnswer(*server, std::move(*status), static_cast<int>(ping.count()));
    server->pending = false;
    if (--pendingCount_ == 0) {
        refreshWake_.cancel();
    }
}

awaitable<void> StatsService::AcceptLoop() {
    while (!stopped_) {
        tcp::socket socket(io_);
        boost::system::error_code ec;
        co_await acceptor_.async_accept(socket, asio::redirect_error(asio::use_awaitable, ec));
        if (ec == asio::error::operation_aborted || stopped_) {
            break;
        }
        if (ec || sessions_.size() >= kMaxSessions) {
            continue; // the socket closes as it goes out of scope
        }
        asio::co_spawn(io_, Session(std::move(socket)), asio::detached);
    }
}

awaitable<void> StatsService::Session(tcp::socket socket) {
    beast::tcp_stream stream(std::move(socket));
    // Known to Stop, which closes it; forgotten when the session ends however it ends.
    sessions_.insert(&stream);
    struct Forget {
        std::unordered_set<beast::tcp_stream*>& sessions;
        beast::tcp_stream* stream;
        ~Forget() { sessions.erase(stream); }
    } forget{sessions_, &stream};

    beast::flat_buffer buffer(kMaxHeaderBytes);
    while (!stopped_) {
        stream.expires_after(kIdleTimeout);
        http::request_parser<http::empty_body> parser;
        parser.header_limit(kMaxHeaderBytes);
        boost::system::error_code ec;
        co_await http::async_read(stream, buffer, parser,
                                  asio::redirect_error(asio::use_awaitable, ec));
        if (ec) {
            break;
        }
        const auto& request = parser.get();
        Reply reply{400, "BAD REQUEST\n"};
        const std::string_view target(request.target().data(), request.target().size());
        if (request.method() != http::verb::get) {
            reply = {405, "ONLY GET\n"};
        } else if (target.substr(0, 2) == "/?") {
            reply = co_await Answer(std::string(target.substr(2)));
        }
        http::response<http::string_body> response(static_cast<http::status>(reply.status),
                                                   request.version());
        response.set(http::field::server, "lindrel-stats");
        response.set(http::field::content_type, "text/plain");
        response.keep_alive(request.keep_alive());
        response.body() = std::move(reply.body);
        response.prepare_payload();
        co_await http::async_write(stream, response, asio::redirect_error(asio::use_awaitable, ec));
        if (ec || !response.keep_alive()) {
            break;
        }
    }
    boost::system::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
}

awaitable<StatsService::Reply> StatsService::Answer(std::string query) {
    const auto pairs = ParseQuery(query);
    const std::string_view kind = pairs.empty() ? std::string_view() : pairs.front().first;
    const std::string_view value = pairs.empty() ? std::string_view() : pairs.front().second;
    if (kind == "f" && value == "1") {
        co_return Reply{200, GameTypesReply(config_)};
    }
    if (kind == "f" && value == "2") {
        co_return Reply{200, UpdateReply(config_)};
    }
    if (kind == "f" && value == "3") {
        co_return Reply{200, DirectoryReply(config_)};
    }
    if (kind == "d") {
        co_return Reply{200,
                        StatusReply(registry_, value, ValueOf(pairs, "t"), ValueOf(pairs, "s"))};
    }
    if (kind == "p2") {
        co_return Reply{200, PlayersReply(registry_, value, ValueOf(pairs, "s"))};
    }
    if (kind == "r") {
        co_return co_await Lookup(value);
    }
    co_return Reply{400, "UNKNOWN QUERY\n"};
}

bool StatsService::TakeLookupToken() {
    const auto now = Clock::now();
    while (!recentLookups_.empty() && now - recentLookups_.front() > std::chrono::minutes(1)) {
        recentLookups_.pop_front();
    }
    if (recentLookups_.size() >= static_cast<std::size_t>(std::max(0, config_.lookupsPerMinute))) {
        return false;
    }
    recentLookups_.push_back(now);
    return true;
}

awaitable<StatsService::Reply> StatsService::Lookup(std::string_view value) {
    // "address:port,gametype"
    const auto comma = value.rfind(',');
    const std::string_view hostPort = value.substr(0, comma);
    const auto colon = hostPort.rfind(':');
    if (comma == std::string_view::npos || colon == std::string_view::npos) {
        co_return NotFound();
    }
    const auto address = ParseIpv4(hostPort.substr(0, colon));
    const auto port = ParseInt32(hostPort.substr(colon + 1));
    const int gameType = ParseInt32(value.substr(comma + 1)).value_or(1);
    if (!address || !port || *port <= 0 || *port > 65535) {
        co_return NotFound();
    }
    const auto udpPort = static_cast<std::uint16_t>(*port);
    if (const GameServer* known = registry_.FindByEndpoint(*address, udpPort)) {
        co_return Reply{200, std::to_string(known->id) + "|" + URLEncode(known->Name()) + "\n"};
    }

    // Only allowed networks, at a bounded rate, one probe per address at a time: the
    // service must not become a way to send UDP traffic wherever a caller likes.
    const auto key = EndpointKey(*address, udpPort);
    const bool allowed =
        std::any_of(config_.lookupAllow.begin(), config_.lookupAllow.end(),
                    [&](const Ipv4Network& network) { return network.Contains(*address); });
    if (!allowed || probes_.contains(key) || registry_.RegisteredCount() >= config_.maxRegistered ||
        stopped_ || !TakeLookupToken()) {
        co_return NotFound();
    }

    asio::steady_timer wake(io_);
    Probe probe{&wake, std::nullopt};
    probes_[key] = &probe;
    const auto sentAt = Clock::now();
    Send(*address, udpPort);
    wake.expires_after(config_.queryTimeout);
    boost::system::error_code ec;
    co_await wake.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    probes_.erase(key);
    // Registered meanwhile by a refresh of the same endpoint is impossible (only
    // registered endpoints are refreshed), but a stop may have come.
    if (!probe.status || stopped_ || registry_.FindByEndpoint(*address, udpPort) != nullptr) {
        co_return NotFound();
    }

    GameServer server;
    server.id = registry_.NextFreeId();
    server.configuredName = probe.status->hostname;
    server.gameType = gameType;
    server.address = *address;
    server.port = udpPort;
    server.registered = true;
    const auto ping = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sentAt);
    Registry::RecordAnswer(server, std::move(*probe.status), static_cast<int>(ping.count()));
    const int id = server.id;
    std::string name = server.Name();
    registry_.Add(std::move(server));
    SaveState();
    co_return Reply{200, std::to_string(id) + "|" + URLEncode(name) + "\n"};
}

void StatsService::SaveState() const {
    if (!config_.stateFile.empty() &&
        !ReplaceFileContent(config_.stateFile, registry_.SerializeRegistered())) {
        std::cerr << "lindrel-stats: cannot write " << config_.stateFile << "\n";
    }
}

} // namespace lindrel::stats
