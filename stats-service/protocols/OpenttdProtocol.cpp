#include "protocols/OpenttdProtocol.h"

#include "protocols/ByteOrder.h"
#include "protocols/QueryDriver.h"

#include <algorithm>
#include <cstdint>

namespace lindrel::stats {

namespace {

constexpr char kClientGameInfo = 7;
constexpr char kServerGameInfo = 6;
constexpr std::size_t kHeaderBytes = 3;
constexpr std::size_t kMaxOpenttdPacket = std::size_t{32} * 1024;
constexpr std::size_t kMaxNewGrfs = 255;
constexpr std::uint32_t kMd5Bytes = 16;
constexpr std::uint8_t kGrfLookupIds = 2; // each NewGRF sent as a number only
constexpr std::uint8_t kGrfWithNames = 1; // each NewGRF's name follows its checksum

// Skips the NewGRF list of versions 4 and later.
bool SkipNewGrfs(LittleEndianReader& in, std::uint64_t serialisation) {
    const auto count = in.Number(1);
    if (!count || *count > kMaxNewGrfs) {
        return false;
    }
    for (std::uint64_t i = 0; i < *count; ++i) {
        if (serialisation == kGrfLookupIds) {
            if (!in.Skip(4)) {
                return false;
            }
            continue;
        }
        if (!in.Skip(4 + kMd5Bytes) || (serialisation == kGrfWithNames && !in.String())) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string BuildOpenttdRequest() {
    return std::string("\x03\x00", 2) + kClientGameInfo;
}

std::optional<std::size_t> OpenttdPacketSize(std::string_view bytes) {
    if (bytes.size() < 2) {
        return std::nullopt;
    }
    const std::size_t size = static_cast<unsigned char>(bytes[0]) |
                             (static_cast<std::size_t>(static_cast<unsigned char>(bytes[1])) << 8);
    if (size < kHeaderBytes || size > kMaxOpenttdPacket) {
        return std::nullopt;
    }
    return size;
}

std::optional<StatusInfo> ParseOpenttdGameInfo(std::string_view packet) {
    const auto size = OpenttdPacketSize(packet);
    if (!size || packet.size() != *size || packet[2] != kServerGameInfo) {
        return std::nullopt;
    }
    LittleEndianReader in(packet.substr(kHeaderBytes));
    const auto version = in.Number(1);
    if (!version || *version < 6 || *version > 7 || (*version == 7 && !in.Skip(8))) {
        return std::nullopt; // 7 adds the ticks played
    }
    const auto serialisation = in.Number(1);
    // game script version and name, NewGRFs, dates, company counts
    if (!serialisation || !in.Skip(4) || !in.String() || !SkipNewGrfs(in, *serialisation) ||
        !in.Skip(8 + 3)) {
        return std::nullopt;
    }
    const auto name = in.String();
    const auto revision = in.String();
    const bool password = in.Skip(1);
    const auto clientsMax = in.Number(1);
    const auto clientsOn = in.Number(1);
    const bool spectators = in.Skip(1);
    const auto width = in.Number(2);
    const auto height = in.Number(2);
    if (!name || !revision || !password || !clientsMax || !clientsOn || !spectators || !width ||
        !height) {
        return std::nullopt;
    }
    StatusInfo status;
    status.hostname = WithoutControls(*name, kMaxNameBytes);
    status.map = std::to_string(*width) + "x" + std::to_string(*height);
    status.maxClients = static_cast<int>(*clientsMax);
    status.online = static_cast<int>(*clientsOn);
    return status;
}

std::string BuildOpenttdGameInfo(const StatusInfo& status, int mapWidth, int mapHeight) {
    std::string body(1, '\x06');
    body += '\x00';                        // NewGRFs by checksum
    PutLittleEndian(body, 0xffffffffu, 4); // no game script
    body += '\0';
    body += '\0';                     // no NewGRF
    PutLittleEndian(body, 740000, 4); // game date
    PutLittleEndian(body, 730000, 4); // start date
    body += std::string("\x0f\x00\x19", 3);
    body += status.hostname + '\0' + "13.0" + '\0';
    body += '\0'; // no password
    PutLittleEndian(body, static_cast<std::uint64_t>(std::clamp(status.maxClients, 0, 255)), 1);
    PutLittleEndian(body, static_cast<std::uint64_t>(std::clamp(OnlineCount(status), 0, 255)), 1);
    body += '\0';
    PutLittleEndian(body, static_cast<std::uint64_t>(mapWidth), 2);
    PutLittleEndian(body, static_cast<std::uint64_t>(mapHeight), 2);
    body += std::string("\x00\x01", 2); // temperate, dedicated
    std::string packet;
    PutLittleEndian(packet, body.size() + kHeaderBytes, 2);
    packet += kServerGameInfo;
    return packet + body;
}

namespace {

// Over TCP the connection is the proof of origin: there is no token to check.
std::size_t ReplySize(std::string_view received) {
    const auto size = OpenttdPacketSize(received);
    if (size) {
        return *size;
    }
    return received.size() < 2 ? FramedExchange::kNeedMore : FramedExchange::kNotAReply;
}

class Openttd final : public QueryDriver {
public:
    std::string_view name() const override { return "openttd"; }
    Transport transport() const override { return Transport::Tcp; }
    std::unique_ptr<Exchange> NewExchange(Tokens& /*tokens*/) const override {
        return std::make_unique<FramedExchange>(BuildOpenttdRequest(), ReplySize,
                                                ParseOpenttdGameInfo);
    }
};

} // namespace

const QueryDriver& OpenttdDriver() {
    static const Openttd driver;
    return driver;
}

} // namespace lindrel::stats
