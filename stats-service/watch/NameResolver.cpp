#include "watch/NameResolver.h"

#include "config/Net.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

// getaddrinfo cannot be interrupted; a lookup that takes longer is abandoned.
constexpr std::chrono::seconds kResolveTimeout{5};

} // namespace

NameResolver::NameResolver(asio::io_context& io, Registry& registry, std::chrono::seconds interval)
    : io_(io), registry_(registry), interval_(interval), timer_(io) {}

void NameResolver::Stop() {
    stopped_ = true;
    timer_.cancel();
    for (udp::resolver* resolver : active_) {
        resolver->cancel();
    }
}

std::optional<asio::ip::address>
NameResolver::Preferred(const std::vector<asio::ip::address>& all) {
    for (const auto& address : all) {
        if (address.is_v4()) {
            return address;
        }
    }
    return all.empty() ? std::nullopt : std::optional(all.front());
}

awaitable<std::vector<asio::ip::address>> NameResolver::Resolve(std::string host) {
    if (const auto literal = ParseAddress(host)) {
        co_return std::vector<asio::ip::address>{Unmapped(*literal)};
    }
    std::vector<asio::ip::address> addresses;
    if (!IsValidHost(host) || stopped_) {
        co_return addresses;
    }
    auto resolver = std::make_shared<udp::resolver>(io_);
    asio::steady_timer deadline(io_, kResolveTimeout);
    deadline.async_wait([resolver](const boost::system::error_code& ec) {
        if (!ec) {
            resolver->cancel();
        }
    });
    active_.insert(resolver.get());
    boost::system::error_code ec;
    const auto results = co_await resolver->async_resolve(
        host, "0", udp::resolver::numeric_service, asio::redirect_error(asio::use_awaitable, ec));
    active_.erase(resolver.get());
    deadline.cancel();
    if (ec) {
        co_return addresses;
    }
    for (const auto& entry : results) {
        const auto address = Unmapped(entry.endpoint().address());
        if (addresses.size() == kMaxAddresses) {
            break;
        }
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
            addresses.push_back(address);
        }
    }
    co_return addresses;
}

awaitable<void> NameResolver::ResolveAll() {
    std::vector<std::pair<int, std::string>> names;
    for (const auto& server : registry_.servers()) {
        if (!ParseAddress(server.host)) {
            names.emplace_back(server.id, server.host);
        }
    }
    if (names.empty()) {
        co_return;
    }
    // All at once, so that the pass takes one lookup's time bound, not one per name.
    auto left = std::make_shared<std::size_t>(names.size());
    auto allDone = std::make_shared<asio::steady_timer>(io_, asio::steady_timer::time_point::max());
    for (auto& [id, host] : names) {
        asio::co_spawn(io_, ResolveOne(id, std::move(host)),
                       [left, allDone](const std::exception_ptr&) {
                           if (--*left == 0) {
                               allDone->cancel();
                           }
                       });
    }
    boost::system::error_code ec;
    co_await allDone->async_wait(asio::redirect_error(asio::use_awaitable, ec));
}

awaitable<void> NameResolver::ResolveOne(int id, std::string host) {
    const auto address = Preferred(co_await Resolve(std::move(host)));
    // By id: the registry may have changed while the lookup waited.
    const GameServer* server = registry_.FindById(id);
    if (address && server != nullptr && !stopped_) {
        registry_.SetEndpoint(id, udp::endpoint(*address, server->queryPort));
    }
}

awaitable<void> NameResolver::ResolveAllThenKeepUp() {
    co_await ResolveAll();
    asio::co_spawn(io_, KeepUp(), asio::detached);
}

awaitable<void> NameResolver::KeepUp() {
    while (!stopped_) {
        timer_.expires_after(interval_);
        boost::system::error_code ec;
        co_await timer_.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        if (stopped_) {
            break;
        }
        co_await ResolveAll();
    }
}

} // namespace lindrel::stats
