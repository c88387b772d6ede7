#include "config/Net.h"

#include "base/Text.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxHostBytes = 253;
constexpr std::size_t kMaxLabelBytes = 63;

bool IsLabel(std::string_view label) {
    if (label.empty() || label.size() > kMaxLabelBytes || label.front() == '-' ||
        label.back() == '-') {
        return false;
    }
    return std::all_of(label.begin(), label.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-';
    });
}

// The address's bytes (4 for IPv4, 16 for IPv6), IPv4-mapped ones as IPv4.
std::string BytesOf(const asio::ip::address& address) {
    const auto plain = Unmapped(address);
    if (plain.is_v4()) {
        const auto bytes = plain.to_v4().to_bytes();
        return {bytes.begin(), bytes.end()};
    }
    const auto bytes = plain.to_v6().to_bytes();
    return {bytes.begin(), bytes.end()};
}

// The bytes with every bit past the first prefix bits cleared.
std::string Masked(std::string bytes, unsigned prefix) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned bitsHere =
            prefix > i * 8 ? std::min(8u, prefix - static_cast<unsigned>(i * 8)) : 0;
        const auto keep = static_cast<unsigned char>(bitsHere == 0 ? 0 : 0xff << (8 - bitsHere));
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) & keep);
    }
    return bytes;
}

} // namespace

std::optional<asio::ip::address> ParseAddress(std::string_view text) {
    boost::system::error_code ec;
    const auto address = asio::ip::make_address(std::string(text), ec);
    // A scope ("fe80::1%eth0") names an interface of this host: no business of a lookup.
    if (ec || (address.is_v6() && address.to_v6().scope_id() != 0)) {
        return std::nullopt;
    }
    return address;
}

bool IsValidHost(std::string_view host) {
    if (ParseAddress(host)) {
        return true;
    }
    if (host.empty() || host.size() > kMaxHostBytes) {
        return false;
    }
    const auto labels = Split(host.back() == '.' ? host.substr(0, host.size() - 1) : host, '.');
    // A name of one label (but "localhost") would be completed with this host's search
    // domains: a service on the internet takes full names only.
    if (labels.size() == 1 && !EqualsIgnoreCase(host, "localhost")) {
        return false;
    }
    // A last label of digits only would be a mistyped IPv4 address, not a name.
    const auto last = labels.back();
    if (std::all_of(last.begin(), last.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    return std::all_of(labels.begin(), labels.end(), IsLabel);
}

std::optional<HostPort> SplitHostPort(std::string_view text, bool allowZeroPort) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view host = text.substr(0, colon);
    const auto port = ParseInt32(text.substr(colon + 1));
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        const auto literal = ParseAddress(host);
        if (!literal || !literal->is_v6()) {
            return std::nullopt;
        }
    }
    if (!port || *port < (allowZeroPort ? 0 : 1) || *port > 65535 || !IsValidHost(host)) {
        return std::nullopt;
    }
    return HostPort{std::string(host), static_cast<std::uint16_t>(*port)};
}

std::string FormatHostPort(std::string_view host, std::uint16_t port) {
    // Of the hosts taken, only an IPv6 literal holds a colon; no parse on this hot path.
    const bool brackets = host.find(':') != std::string_view::npos;
    return (brackets ? "[" : "") + std::string(host) + (brackets ? "]:" : ":") +
           std::to_string(port);
}

asio::ip::address Unmapped(const asio::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    }
    return address;
}

bool Network::Contains(const asio::ip::address& other) const {
    const std::string bytes = BytesOf(other);
    return bytes.size() == network.size() && Masked(bytes, prefix) == network;
}

std::optional<Network> ParseNetwork(std::string_view text) {
    const auto slash = text.find('/');
    const auto address = ParseAddress(text.substr(0, slash));
    if (!address) {
        return std::nullopt;
    }
    const unsigned width = address->is_v4() ? 32 : 128;
    const auto bits = slash == std::string_view::npos ? std::optional<int>(static_cast<int>(width))
                                                      : ParseInt32(text.substr(slash + 1));
    if (!bits || *bits < 0 || static_cast<unsigned>(*bits) > width) {
        return std::nullopt;
    }
    const auto prefix = static_cast<unsigned>(*bits);
    return Network{prefix, Masked(BytesOf(*address), prefix)};
}

std::string ClientKey(const asio::ip::address& address) {
    const std::string bytes = BytesOf(address);
    return bytes.size() == 4 ? bytes : bytes.substr(0, 8);
}

std::string EndpointKey(const udp::endpoint& endpoint) {
    std::string key = BytesOf(endpoint.address());
    key += static_cast<char>(endpoint.port() >> 8);
    key += static_cast<char>(endpoint.port() & 0xff);
    return key;
}

} // namespace lindrel::stats
