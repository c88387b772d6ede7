#include "protocols/MumbleProtocol.h"

#include "protocols/ByteOrder.h"
#include "protocols/QueryDriver.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

constexpr std::size_t kPingBytes = 12;
constexpr std::size_t kPongBytes = 24;

int Count(std::string_view bytes) {
    return static_cast<int>(std::min<std::uint64_t>(ReadBigEndian(bytes), kMaxOnline));
}

} // namespace

std::string BuildMumblePing(std::uint64_t ident) {
    std::string packet(4, '\0');
    PutBigEndian(packet, ident, 8);
    return packet;
}

std::optional<StatusInfo> ParseMumblePong(std::string_view packet) {
    if (packet.size() != kPongBytes || packet[0] != '\0') {
        return std::nullopt;
    }
    StatusInfo status;
    status.map = "Mumble " + std::to_string(static_cast<unsigned char>(packet[1])) + "." +
                 std::to_string(static_cast<unsigned char>(packet[2])) + "." +
                 std::to_string(static_cast<unsigned char>(packet[3]));
    status.challenge = std::to_string(ReadBigEndian(packet.substr(4, 8)));
    status.online = Count(packet.substr(12, 4));
    status.maxClients = Count(packet.substr(16, 4));
    return status;
}

std::string BuildMumblePong(std::string_view ping, const StatusInfo& status) {
    if (ping.size() != kPingBytes || ping.substr(0, 4) != std::string_view("\0\0\0\0", 4)) {
        return {};
    }
    std::string packet("\x00\x01\x03\x04", 4); // 1.3.4
    packet += ping.substr(4);
    PutBigEndian(packet, static_cast<std::uint64_t>(OnlineCount(status)), 4);
    PutBigEndian(packet, static_cast<std::uint64_t>(std::max(0, status.maxClients)), 4);
    PutBigEndian(packet, 72000, 4);
    return packet;
}

namespace {

class Mumble final : public QueryDriver {
public:
    std::string_view name() const override { return "mumble"; }
    std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const override {
        const std::uint64_t ident = (std::uint64_t{tokens.Next()} << 32) | tokens.Next();
        return std::make_unique<EchoExchange>(BuildMumblePing(ident), std::to_string(ident),
                                              &ParseMumblePong);
    }
};

} // namespace

const QueryDriver& MumbleDriver() {
    static const Mumble driver;
    return driver;
}

} // namespace lindrel::stats
