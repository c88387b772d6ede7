#include "watch/ServerLookup.h"

#include "base/Text.h"
#include "base/UrlCodec.h"

namespace lindrel::stats {

namespace {

LookupOutcome Known(const GameServer& server) {
    return {LookupOutcome::Kind::Known, server.id};
}

} // namespace

awaitable<LookupOutcome> ServerLookup::Find(std::string_view value, asio::ip::address client) {
    // "host:port,gametype"; the host may be a name or an IPv4 or IPv6 address.
    const auto comma = value.rfind(',');
    if (comma == std::string_view::npos) {
        co_return LookupOutcome{};
    }
    const auto decoded = URLDecode(value.substr(0, comma));
    const auto at = decoded ? SplitHostPort(*decoded) : std::nullopt;
    const int gameType = ParseInt32(value.substr(comma + 1)).value_or(1);
    if (!at) {
        co_return LookupOutcome{};
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
    // the service's budgets, under the registration cap. A name's budget is taken before
    // it is resolved, since resolving it sends a DNS query.
    if (literal && !policy_.Allowed({*literal})) {
        co_return LookupOutcome{};
    }
    LookupPolicy::Reservation place = policy_.Reserve(registry_.RegisteredCount());
    if (!place || !policy_.TakeProbe(client, LookupPolicy::Clock::now())) {
        co_return LookupOutcome{};
    }
    const auto addresses = co_await resolver_.Resolve(at->host);
    const auto preferred = NameResolver::Preferred(addresses);
    if (!preferred || stopped_ || !policy_.Allowed(addresses)) {
        co_return LookupOutcome{};
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
        co_return LookupOutcome{};
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
        co_return LookupOutcome{};
    }
    place.Commit();
    if (onRegistered) {
        onRegistered();
    }
    co_return LookupOutcome{LookupOutcome::Kind::Added, *id};
}

} // namespace lindrel::stats
