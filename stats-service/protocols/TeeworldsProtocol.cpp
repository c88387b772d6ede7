#include "protocols/TeeworldsProtocol.h"

#include "base/Text.h"
#include "protocols/ByteOrder.h"
#include "protocols/QueryDriver.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

// Connectionless packets carry six header bytes and then the four of the message.
const std::string kHeader(10, '\xff');
constexpr std::size_t kClientFields = 5;

// Reads NUL-ended strings one by one; false once none is left.
class Fields {
public:
    explicit Fields(std::string_view data) : data_(data) {}
    bool Next(std::string_view& field) {
        const auto taken = TakeNulEnded(data_);
        field = taken.value_or(field);
        return taken.has_value();
    }

private:
    std::string_view data_;
};

int Count(std::string_view field, int limit) {
    return std::clamp(ParseInt32(field).value_or(0), 0, limit);
}

} // namespace

std::string BuildTeeworldsRequest(std::uint8_t token) {
    return kHeader + "gie3" + static_cast<char>(token);
}

std::optional<StatusInfo> ParseTeeworldsInfo(std::string_view packet) {
    if (packet.size() > kMaxPacketBytes || !packet.starts_with(kHeader + "inf3")) {
        return std::nullopt;
    }
    Fields fields(packet.substr(kHeader.size() + 4));
    // token, version, name, map, game type, flags, players, max players, clients, max clients
    std::string_view f[10];
    for (auto& field : f) {
        if (!fields.Next(field)) {
            return std::nullopt;
        }
    }
    StatusInfo status;
    status.challenge = std::string(f[0].substr(0, 8));
    status.hostname = WithoutControls(f[2], kMaxNameBytes);
    status.map = WithoutControls(f[3], kMaxMapBytes);
    status.online = Count(f[8], kMaxOnline);
    status.maxClients = Count(f[9], kMaxOnline);
    std::string_view client[kClientFields]; // name, clan, country, score, is player
    while (status.players.size() < kMaxPlayers) {
        for (auto& field : client) {
            if (!fields.Next(field)) {
                return status;
            }
        }
        status.players.push_back(
            {WithoutControls(client[0], kMaxNameBytes), ParseInt32(client[3]).value_or(0), 0});
    }
    return status;
}

std::string BuildTeeworldsInfo(std::uint8_t token, const StatusInfo& status) {
    const auto count = std::to_string(OnlineCount(status));
    const auto max = std::to_string(status.maxClients);
    std::string packet = kHeader + "inf3";
    for (const std::string& field :
         {std::to_string(token), std::string("0.6.4"), status.hostname, status.map,
          std::string("DM"), std::string("0"), count, max, count, max}) {
        packet += field + '\0';
    }
    for (const auto& player : status.players) {
        for (const std::string& field : {player.name, std::string(), std::string("-1"),
                                         std::to_string(player.score), std::string("1")}) {
            packet += field + '\0';
        }
    }
    return packet;
}

namespace {

// 0.7's packet headers: a control packet is flags, ack, chunk count and a token; a
// connectionless one is flags with the version, the receiver's token and the sender's.
constexpr char kControl = '\x04';
constexpr char kConnless = '\x21'; // the connless flag, version 1
constexpr char kTokenMessage = '\x05';
constexpr std::size_t kTokenRequestBytes = 7 + 512;
constexpr std::size_t kConnlessHeaderBytes = 1 + 2 * kTeeworlds7TokenBytes;
const std::string kNoToken(kTeeworlds7TokenBytes, '\xff');
const std::string kOutOfBand(4, '\xff');

// 0.7's variable-length integers: six bits and the sign in the first byte, seven in each
// further one, five bytes at most.
void PutPackedInt(std::string& out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value < 0 ? ~value : value);
    char byte = static_cast<char>((value < 0 ? 0x40 : 0) | (bits & 0x3fu));
    for (bits >>= 6; bits != 0; bits >>= 7) {
        out += static_cast<char>(byte | '\x80');
        byte = static_cast<char>(bits & 0x7fu);
    }
    out += byte;
}

// Reads a 0.7 reply's strings and integers in turn; an empty optional once one is cut.
class PackedReader {
public:
    explicit PackedReader(std::string_view data) : data_(data) {}
    std::optional<std::string_view> String() { return TakeNulEnded(data_); }
    std::optional<std::int32_t> Int() {
        std::uint32_t bits = 0;
        bool negative = false;
        for (std::size_t i = 0; i < 5; ++i) {
            if (i >= data_.size()) {
                return std::nullopt;
            }
            const auto byte = static_cast<unsigned char>(data_[i]);
            if (i == 0) {
                negative = (byte & 0x40u) != 0;
                bits = byte & 0x3fu;
            } else {
                bits |= static_cast<std::uint32_t>(byte & 0x7fu) << (6 + 7 * (i - 1));
            }
            if ((byte & 0x80u) == 0 || i == 4) {
                data_.remove_prefix(i + 1);
                return static_cast<std::int32_t>(negative ? ~bits : bits);
            }
        }
        return std::nullopt;
    }

private:
    std::string_view data_;
};

std::string Header(char flags, std::string_view first, std::string_view second) {
    return flags + std::string(first) + std::string(second);
}

} // namespace

std::string BuildTeeworlds7TokenRequest(std::string_view ourToken) {
    std::string packet = std::string{kControl, '\0', '\0'} + kNoToken + kTokenMessage;
    packet += ourToken;
    packet.resize(kTokenRequestBytes, '\0');
    return packet;
}

std::optional<std::string> ParseTeeworlds7Token(std::string_view packet,
                                                std::string_view ourToken) {
    const std::string head =
        std::string{kControl, '\0', '\0'} + std::string(ourToken) + kTokenMessage;
    if (packet.size() < head.size() + kTeeworlds7TokenBytes || !packet.starts_with(head)) {
        return std::nullopt;
    }
    return std::string(packet.substr(head.size(), kTeeworlds7TokenBytes));
}

std::string BuildTeeworlds7InfoRequest(std::string_view serverToken, std::string_view ourToken,
                                       std::uint32_t infoToken) {
    std::string packet = Header(kConnless, serverToken, ourToken) + kOutOfBand + "gie3";
    PutPackedInt(packet, static_cast<std::int32_t>(infoToken & 0x7fffffffu));
    return packet;
}

std::optional<StatusInfo> ParseTeeworlds7Info(std::string_view packet) {
    const std::string_view magic = "\xff\xff\xff\xffinf3";
    if (packet.size() > kMaxPacketBytes || packet.size() < kConnlessHeaderBytes ||
        packet[0] != kConnless || packet.substr(kConnlessHeaderBytes, magic.size()) != magic) {
        return std::nullopt;
    }
    PackedReader in(packet.substr(kConnlessHeaderBytes + magic.size()));
    const auto token = in.Int();
    const auto version = in.String();
    const auto name = in.String();
    const auto hostname = in.String();
    const auto map = in.String();
    const auto gameType = in.String();
    std::optional<std::int32_t> numbers[6]; // flags, skill, players, max players, clients, max
    for (auto& number : numbers) {
        number = in.Int();
    }
    if (!token || !version || !name || !hostname || !map || !gameType || !numbers[5]) {
        return std::nullopt;
    }
    StatusInfo status;
    status.challenge =
        std::string(packet.substr(1, kTeeworlds7TokenBytes)) + std::to_string(*token);
    status.hostname = WithoutControls(*name, kMaxNameBytes);
    status.map = WithoutControls(*map, kMaxMapBytes);
    status.online = std::clamp(*numbers[4], 0, kMaxOnline);
    status.maxClients = std::clamp(*numbers[5], 0, kMaxOnline);
    while (status.players.size() < kMaxPlayers) {
        const auto player = in.String();
        const auto clan = in.String();
        const auto country = in.Int();
        const auto score = in.Int();
        const auto flags = in.Int();
        if (!player || !clan || !country || !score || !flags) {
            break;
        }
        status.players.push_back({WithoutControls(*player, kMaxNameBytes), *score, 0});
    }
    return status;
}

std::string BuildTeeworlds7Token(std::string_view ourToken, std::string_view serverToken) {
    return std::string{kControl, '\0', '\0'} + std::string(ourToken) + kTokenMessage +
           std::string(serverToken);
}

std::string BuildTeeworlds7Info(std::string_view ourToken, std::string_view serverToken,
                                std::uint32_t infoToken, const StatusInfo& status) {
    std::string packet = Header(kConnless, ourToken, serverToken) + kOutOfBand + "inf3";
    PutPackedInt(packet, static_cast<std::int32_t>(infoToken));
    for (const std::string& text :
         {std::string("0.7.5"), status.hostname, std::string(), status.map, std::string("DM")}) {
        packet += text + '\0';
    }
    const auto count = static_cast<std::int32_t>(OnlineCount(status));
    for (const std::int32_t number : {0, 1, count, status.maxClients, count, status.maxClients}) {
        PutPackedInt(packet, number);
    }
    for (const auto& player : status.players) {
        packet += player.name + '\0' + '\0';
        for (const std::int32_t number : {-1, player.score, 0}) {
            PutPackedInt(packet, number);
        }
    }
    return packet;
}

namespace {

// Both versions are asked at once; the reply that carries our token, whichever it is, ends
// the exchange, so a 0.6 server and a 0.7 server are configured alike.
class TeeworldsExchange final : public Exchange {
public:
    explicit TeeworldsExchange(Tokens& tokens)
        : token6_(static_cast<std::uint8_t>(tokens.Next() & 0xffu)),
          infoToken7_(tokens.Next() & 0x7fffffffu) {
        // Never "no token", which is all ones.
        std::uint32_t bits = tokens.Next() & 0x7fffffffu;
        for (std::size_t i = 0; i < kTeeworlds7TokenBytes; ++i, bits >>= 8) {
            ourToken_ += static_cast<char>(bits & 0xffu);
        }
    }
    std::vector<std::string> Start() override {
        return {BuildTeeworldsRequest(token6_), BuildTeeworlds7TokenRequest(ourToken_)};
    }
    Step Feed(std::string_view bytes) override {
        if (auto status = ParseTeeworldsInfo(bytes);
            status && status->challenge == std::to_string(token6_)) {
            status_ = std::move(status);
            return {Step::Kind::Done, {}};
        }
        if (auto status = ParseTeeworlds7Info(bytes);
            status && status->challenge == ourToken_ + std::to_string(infoToken7_)) {
            status_ = std::move(status);
            return {Step::Kind::Done, {}};
        }
        if (const auto serverToken = ParseTeeworlds7Token(bytes, ourToken_);
            serverToken && !askedInfo_) {
            askedInfo_ = true;
            return {Step::Kind::Send,
                    BuildTeeworlds7InfoRequest(*serverToken, ourToken_, infoToken7_)};
        }
        return {};
    }
    std::optional<StatusInfo> Result() override { return std::exchange(status_, std::nullopt); }

private:
    std::uint8_t token6_;
    std::uint32_t infoToken7_;
    std::string ourToken_;
    bool askedInfo_ = false;
    std::optional<StatusInfo> status_;
};

class Teeworlds final : public QueryDriver {
public:
    std::string_view name() const override { return "teeworlds"; }
    std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const override {
        return std::make_unique<TeeworldsExchange>(tokens);
    }
};

} // namespace

const QueryDriver& TeeworldsDriver() {
    static const Teeworlds driver;
    return driver;
}

} // namespace lindrel::stats
