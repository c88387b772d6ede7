#include "StatsService.h"

#include "Replies.h"
#include "base/Text.h"
#include "base/UrlCodec.h"
#include "platform/Platform.h"

#include <iostream>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxStateFileBytes = 16 << 20;

HttpReply NotFound() {
    return {200, "NO SERVER FOUND\n"};
}

HttpReply Found(const GameServer& server) {
    return {200, std::to_string(server.id) + "|" + URLEncode(server.Name()) + "\n"};
}

std::vector<int> ThresholdsOf(const Config& config) {
    std::vector<int> thresholds;
    for (const WebhookEntry& entry : config.notify) {
        if (entry.atLeast) {
            thresholds.push_back(entry.minPlayers);
        }
    }
    return thresholds;
}

} // namespace

StatsService::StatsService(asio::io_context& io, Config config)
    : config_(std::move(config)), poller_(io, registry_, config_.poll),
      resolver_(io, registry_, config_.resolveInterval), policy_(config_.lookups),
      frontEnd_(io, config_.frontEnd,
                [this](std::string target, asio::ip::address client) {
                    return router_.Route(std::move(target), std::move(client));
                }),
      io_(io), events_(ThresholdsOf(config_)), notifier_(io, config_.notify) {
    AddRoutes();
}

void StatsService::AddRoutes() {
    router_.AddPlain("f=1", [this](const QueryPairs&) { return GameTypesReply(config_); });
    router_.AddPlain("f=2", [this](const QueryPairs&) { return UpdateReply(config_); });
    router_.AddPlain("f=3", [this](const QueryPairs&) { return DirectoryReply(config_); });
    router_.AddPlain("d", [this](const QueryPairs& pairs) {
        ++counters_.polls;
        return StatusReply(registry_, ValueOf(pairs, "d"), ValueOf(pairs, "t"),
                           ValueOf(pairs, "s"));
    });
    router_.AddPlain("p2", [this](const QueryPairs& pairs) {
        return PlayersReply(registry_, ValueOf(pairs, "p2"), ValueOf(pairs, "s"));
    });
    router_.Add(
        "r",
        [this](const QueryPairs& pairs, const asio::ip::address& client) -> awaitable<HttpReply> {
            HttpReply reply = co_await Lookup(ValueOf(pairs, "r"), client);
            counters_.lookupsNotFound += reply.body == NotFound().body ? 1u : 0u;
            co_return reply;
        });
    AddWebRoutes();
}

bool StatsService::Start(std::string& error) {
    std::unordered_map<int, const QueryDriver*> protocols;
    for (const auto& type : config_.gameTypes) {
        protocols[type.uid] = FindDriver(type.protocol); // known: the configuration checked
    }
    registry_.SetProtocols(std::move(protocols));
    for (const auto* list : {&config_.directory, &config_.servers}) {
        for (const auto& entry : *list) {
            GameServer server;
            server.id = entry.id;
            server.configuredName = entry.name;
            server.gameType = entry.gameType;
            server.host = entry.address;
            server.port = entry.port;
            server.queryPort = entry.queryPort;
            registry_.Add(std::move(server));
        }
    }
    if (!config_.stateFile.empty()) {
        const auto saved = platform::ReadRegularFile(config_.stateFile, kMaxStateFileBytes, error);
        if (!error.empty()) {
            return false;
        }
        if (saved) {
            registry_.LoadRegistered(*saved, config_.lookups.maxRegistered, WallSeconds());
        }
    }

    std::vector<HostPort> listeners{{config_.listenAddress, config_.listenPort}};
    listeners.insert(listeners.end(), config_.alsoListen.begin(), config_.alsoListen.end());
    for (const auto& at : listeners) {
        const auto address = ParseAddress(at.host);
        if (!address) {
            error = "bad listen address " + at.host;
            return false;
        }
        if (!frontEnd_.Listen(tcp::endpoint(*address, at.port), error)) {
            return false;
        }
    }
    if (!poller_.Open(error)) {
        return false;
    }
    StartHistory();
    poller_.onRefreshDone = [this](Clock::duration took) {
        AfterRefresh(took);
        if (onRefreshDone) {
            onRefreshDone(took);
        }
    };
    poller_.onRegisteredDropped = [this] { SaveState(); };
    poller_.Start([this]() { return resolver_.ResolveAllThenKeepUp(); });
    return true;
}

void StatsService::Stop() {
    stopped_ = true;
    frontEnd_.Stop();
    poller_.Stop();
    resolver_.Stop();
    notifier_.Stop();
    if (history_) {
        history_->Stop();
    }
}

awaitable<HttpReply> StatsService::Lookup(std::string_view value, asio::ip::address client) {
    // "host:port,gametype"; the host may be a name or an IPv4 or IPv6 address.
    const auto comma = value.rfind(',');
    if (comma == std::string_view::npos) {
        co_return NotFound();
    }
    const auto decoded = URLDecode(value.substr(0, comma));
    const auto at = decoded ? SplitHostPort(*decoded) : std::nullopt;
    const int gameType = ParseInt32(value.substr(comma + 1)).value_or(1);
    if (!at) {
        co_return NotFound();
    }
    const QueryDriver& driver = registry_.DriverFor(gameType);
    const std::uint16_t queryPort = driver.DefaultQueryPort(at->port);
    for (const GameServer& server : registry_.servers()) {
        if (server.host == at->host && server.port == at->port) {
            co_return Known(server);
        }
    }
    const auto literal = ParseAddress(at->host);
    if (literal) {
        if (const GameServer* known =
                registry_.FindByEndpoint(udp::endpoint(*literal, queryPort))) {
            co_return Known(*known);
        }
    }

    // Only allowed networks (every address a name stands for), within the client's and
    // the service's budgets, under the registration cap: the service must not become a
    // way to send traffic wherever a caller likes. A name's budget is taken before it is
    // resolved, since resolving it sends a DNS query.
    if (literal && !policy_.Allowed({*literal})) {
        co_return NotFound();
    }
    LookupPolicy::Reservation place = policy_.Reserve(registry_.RegisteredCount());
    if (!place || !policy_.TakeProbe(client, LookupPolicy::Clock::now())) {
        co_return NotFound();
    }
    const auto addresses = co_await resolver_.Resolve(at->host);
    const auto preferred = NameResolver::Preferred(addresses);
    if (!preferred || stopped_ || !policy_.Allowed(addresses)) {
        co_return NotFound();
    }
    const udp::endpoint endpoint(*preferred, queryPort);
    if (const GameServer* known = registry_.FindByEndpoint(endpoint)) {
        co_return Known(*known);
    }
    int pingMs = 0;
    auto status = co_await poller_.Probe(driver, endpoint, pingMs);
    const auto id = registry_.NextFreeId();
    // A concurrent lookup of the same server may have registered it meanwhile.
    if (const GameServer* known = registry_.FindByEndpoint(endpoint)) {
        co_return Known(*known);
    }
    if (!status || stopped_ || !id) {
        co_return NotFound();
    }
    GameServer server;
    server.id = *id;
    server.configuredName = status->hostname;
    server.gameType = gameType;
    server.host = at->host;
    server.port = at->port;
    server.driver = &driver;
    server.queryPort = endpoint.port();
    server.endpoint = endpoint;
    server.registered = true;
    Registry::RecordAnswer(server, std::move(*status), pingMs);
    if (!registry_.Add(std::move(server))) {
        co_return NotFound();
    }
    place.Commit();
    SaveState();
    ++counters_.lookupsAdded;
    co_return Found(*registry_.FindById(*id));
}

HttpReply StatsService::Known(const GameServer& server) {
    ++counters_.lookupsKnown;
    return Found(server);
}

void StatsService::SaveState() const {
    if (!config_.stateFile.empty() &&
        !platform::ReplaceFileContent(config_.stateFile, registry_.SerializeRegistered())) {
        std::cerr << "lindrel-stats: cannot write " << config_.stateFile << "\n";
    }
}

} // namespace lindrel::stats
