#include "protocols/BedrockProtocol.h"

#include "base/Text.h"
#include "protocols/ByteOrder.h"
#include "protocols/MinecraftProtocol.h"
#include "protocols/QueryDriver.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

constexpr char kPingId = '\x01';
constexpr char kPongId = '\x1c';
const std::string kMagic("\x00\xff\xff\x00\xfe\xfe\xfe\xfe\xfd\xfd\xfd\xfd\x12\x34\x56\x78", 16);
constexpr std::size_t kPongHeaderBytes = 1 + 8 + 8 + 16 + 2;
constexpr std::size_t kPingBytes = 1 + 8 + 16 + 8;

int Count(std::string_view field) {
    return std::clamp(ParseInt32(field).value_or(0), 0, kMaxOnline);
}

} // namespace

std::string BuildBedrockPing(std::uint64_t time, std::uint64_t clientId) {
    std::string packet(1, kPingId);
    PutBigEndian(packet, time, 8);
    packet += kMagic;
    PutBigEndian(packet, clientId, 8);
    return packet;
}

std::optional<StatusInfo> ParseBedrockPong(std::string_view packet) {
    if (packet.size() > kMaxPacketBytes || packet.size() < kPongHeaderBytes ||
        packet[0] != kPongId || packet.substr(17, kMagic.size()) != kMagic) {
        return std::nullopt;
    }
    const auto length = ReadBigEndian(packet.substr(33, 2));
    if (packet.size() != kPongHeaderBytes + length) {
        return std::nullopt;
    }
    const auto fields = Split(packet.substr(kPongHeaderBytes), ';');
    if (fields.size() < 6 || (fields[0] != "MCPE" && fields[0] != "MCEE")) {
        return std::nullopt;
    }
    StatusInfo status;
    status.challenge = std::to_string(ReadBigEndian(packet.substr(1, 8)));
    status.hostname = WithoutControls(WithoutSectionCodes(fields[1]), kMaxNameBytes);
    status.online = Count(fields[4]);
    status.maxClients = Count(fields[5]);
    status.map = fields.size() > 7 ? WithoutControls(WithoutSectionCodes(fields[7]), kMaxMapBytes)
                                   : WithoutControls(fields[3], kMaxMapBytes);
    return status;
}

std::string BuildBedrockPong(std::string_view ping, const StatusInfo& status) {
    if (ping.size() != kPingBytes || ping[0] != kPingId || ping.substr(9, 16) != kMagic) {
        return {};
    }
    const std::string text = "MCPE;" + status.hostname + ";594;1.20.10;" +
                             std::to_string(OnlineCount(status)) + ";" +
                             std::to_string(status.maxClients) + ";4242424242;" + status.map +
                             ";Survival;1;19132;19133;";
    std::string packet(1, kPongId);
    packet += ping.substr(1, 8);
    PutBigEndian(packet, 4242424242u, 8);
    packet += kMagic;
    PutBigEndian(packet, text.size(), 2);
    return packet + text;
}

namespace {

class Bedrock final : public QueryDriver {
public:
    std::string_view name() const override { return "bedrock"; }
    std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const override {
        // A fresh value each time, which the pong must echo: RakNet's "time" serves as a
        // token, as its sender may put there what it likes.
        const std::uint64_t time =
            (std::uint64_t{tokens.Next() & 0x7fffffffu} << 32) | tokens.Next();
        const std::uint64_t clientId = (std::uint64_t{tokens.Next()} << 32) | tokens.Next();
        return std::make_unique<EchoExchange>(BuildBedrockPing(time, clientId),
                                              std::to_string(time), &ParseBedrockPong);
    }
};

} // namespace

const QueryDriver& BedrockDriver() {
    static const Bedrock driver;
    return driver;
}

} // namespace lindrel::stats
