#pragma once

#include "asio/Asio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Addresses as the service reads them from its configuration and from lookups.
namespace lindrel::stats {

struct HostPort {
    std::string host; // IPv4 literal, IPv6 literal (no brackets) or DNS name
    std::uint16_t port = 0;
};

// "name:port", "a.b.c.d:port", "[v6]:port" or "v6:port", split at the last colon; the
// host must pass IsValidHost and the port be 1 to 65535 (0 too when allowZeroPort).
std::optional<HostPort> SplitHostPort(std::string_view text, bool allowZeroPort = false);

// An IP literal, "localhost", or a DNS name of two or more labels, at most 253 bytes, of
// letters, digits and hyphens (1 to 63 bytes a label, no hyphen at either end).
bool IsValidHost(std::string_view host);

// The literal's address, or empty for a name.
std::optional<asio::ip::address> ParseAddress(std::string_view text);

// "host:port", with an IPv6 literal in brackets.
std::string FormatHostPort(std::string_view host, std::uint16_t port);

// An IPv4-mapped IPv6 address as the IPv4 address it stands for; others unchanged.
asio::ip::address Unmapped(const asio::ip::address& address);

// A network such as 127.0.0.0/8 or ::1/128.
struct Network {
    unsigned prefix = 0;
    std::string network; // the address's bytes (4 or 16) with the host bits cleared
    bool Contains(const asio::ip::address& other) const;
};
// Parses "address" or "address/bits"; the host bits are cleared.
std::optional<Network> ParseNetwork(std::string_view text);

// The part of a client's address its connection and lookup limits count against: the
// address for IPv4, the /64 network for IPv6 (one host often holds a whole /64).
std::string ClientKey(const asio::ip::address& address);

// A compact key for an endpoint, for hash maps.
std::string EndpointKey(const udp::endpoint& endpoint);

} // namespace lindrel::stats
