#pragma once

#include "asio/Asio.h"
#include "watch/Registry.h"

#include <chrono>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace lindrel::stats {

// Looks up the DNS names of watched servers, at start and again every interval, so that a
// server that moves keeps its id. Names are resolved asynchronously, all of a pass at once,
// and each lookup is bounded in time; a name that fails keeps the address it had. Errors are
// values: an empty list of addresses.
class NameResolver {
public:
    NameResolver(asio::io_context& io, Registry& registry, std::chrono::seconds interval);

    // Resolves every name once; then keeps doing so every interval until Stop.
    awaitable<void> ResolveAllThenKeepUp();
    awaitable<void> ResolveAll();
    void Stop();

    // The addresses a host stands for (a literal stands for itself), at most kMaxAddresses;
    // empty when it does not resolve in time.
    static constexpr std::size_t kMaxAddresses = 16;
    awaitable<std::vector<asio::ip::address>> Resolve(std::string host);

    // Where queries to a host go: its first IPv4 address, else its first IPv6 address.
    static std::optional<asio::ip::address> Preferred(const std::vector<asio::ip::address>& all);

private:
    awaitable<void> KeepUp();
    awaitable<void> ResolveOne(int id, std::string host);

    asio::io_context& io_;
    Registry& registry_;
    std::chrono::seconds interval_;
    asio::steady_timer timer_;
    std::unordered_set<udp::resolver*> active_;
    bool stopped_ = false;
};

} // namespace lindrel::stats
