#include "protocols/Cube2Protocol.h"

#include "protocols/QueryDriver.h"

#include <algorithm>
#include <set>

namespace lindrel::stats {

namespace {

constexpr int kExtAck = -1;
constexpr int kExtVersion = 105;
constexpr int kExtNoError = 0;
constexpr int kExtPlayerStats = 1;
constexpr int kRespIds = -10;
constexpr int kRespStats = -11;
constexpr std::size_t kTokenBytes = 8;
// Sauerbraten's protocol numbers (260 today) are at least this; Red Eclipse's, up to 1.6's
// 230, stay below.
constexpr int kFirstSauerbratenProtocol = 250;

bool Valid(std::optional<int> value, int low, int high) {
    return value && *value >= low && *value <= high;
}

} // namespace

std::optional<int> CubeReader::Int() {
    if (data_.empty()) {
        return std::nullopt;
    }
    const auto first = static_cast<signed char>(data_[0]);
    const std::size_t width = first == -128 ? 2 : first == -127 ? 4 : 0;
    if (width == 0) {
        data_.remove_prefix(1);
        return first;
    }
    if (data_.size() < 1 + width) {
        return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (std::size_t i = width; i > 0; --i) {
        bits = (bits << 8) | static_cast<unsigned char>(data_[i]);
    }
    data_.remove_prefix(1 + width);
    return width == 2 ? static_cast<int>(static_cast<std::int16_t>(bits))
                      : static_cast<int>(static_cast<std::int32_t>(bits));
}

std::optional<std::string> CubeReader::String(std::size_t maxBytes) {
    std::string text;
    for (;;) {
        const auto c = Int();
        if (!c) {
            return std::nullopt;
        }
        if (*c == 0) {
            return text;
        }
        if (text.size() < maxBytes) {
            text += static_cast<char>(*c & 0xff);
        }
    }
}

void PutCubeInt(std::string& out, int value) {
    if (value > -127 && value < 128) {
        out += static_cast<char>(value);
        return;
    }
    const bool shortForm = value >= -0x8000 && value < 0x8000;
    out += static_cast<char>(shortForm ? 0x80 : 0x81);
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < (shortForm ? 2 : 4); ++i, bits >>= 8) {
        out += static_cast<char>(bits & 0xffu);
    }
}

void PutCubeString(std::string& out, std::string_view text) {
    for (const char c : text) {
        PutCubeInt(out, static_cast<signed char>(c));
    }
    PutCubeInt(out, 0);
}

std::string CleanCubeText(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\f') {
            plain += text[i];
            continue;
        }
        const char code = i + 1 < text.size() ? text[i + 1] : '\0';
        const char close = code == '[' ? ']' : code == '(' ? ')' : '\0';
        const auto end = close != '\0' ? text.find(close, i + 2) : std::string_view::npos;
        i = end != std::string_view::npos ? end : i + 1;
    }
    return WithoutControls(plain, kMaxNameBytes);
}

std::string BuildCube2InfoRequest(std::string_view token) {
    return std::string(1, '\x01') + std::string(token);
}

std::string BuildCube2PlayersRequest(std::string_view token) {
    std::string request(1, '\0'); // not the basic info: an extended query
    PutCubeInt(request, kExtPlayerStats);
    PutCubeInt(request, -1); // of every client
    return request + std::string(token);
}

std::optional<StatusInfo> ParseCube2Info(std::string_view reply) {
    CubeReader in(reply);
    const auto clients = in.Int();
    const auto attributes = in.Int();
    if (!Valid(clients, 0, kMaxOnline) || !Valid(attributes, 5, 32)) {
        return std::nullopt;
    }
    std::vector<int> values;
    for (int i = 0; i < *attributes; ++i) {
        const auto value = in.Int();
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
    }
    // Sauerbraten: protocol, mode, seconds left, client limit, master mode, and perhaps more.
    // Red Eclipse: protocol, mode, mutators, seconds left, client limit, ...; its protocol
    // numbers stay below Sauerbraten's.
    const std::size_t limitAt = values[0] < kFirstSauerbratenProtocol ? 4 : 3;
    const std::optional<int> limit = values[limitAt];
    auto map = in.String(kMaxPacketBytes);
    auto description = in.String(kMaxPacketBytes);
    if (!map || !description || !Valid(limit, 0, kMaxOnline)) {
        return std::nullopt;
    }
    StatusInfo status;
    status.hostname = CleanCubeText(*description);
    status.map = CleanCubeText(*map);
    status.online = *clients;
    status.maxClients = *limit;
    return status;
}

std::optional<Cube2PlayerPacket> ParseCube2Players(std::string_view reply) {
    CubeReader in(reply);
    if (in.Int() != kExtAck || in.Int() != kExtVersion || in.Int() != kExtNoError) {
        return std::nullopt;
    }
    const auto kind = in.Int();
    Cube2PlayerPacket packet;
    if (kind == kRespIds) {
        while (in.remaining() > 0 && packet.clientNumbers.size() < kMaxPlayers) {
            const auto number = in.Int();
            if (!number) {
                return std::nullopt;
            }
            packet.clientNumbers.push_back(*number);
        }
        return packet;
    }
    if (kind != kRespStats) {
        return std::nullopt;
    }
    const auto number = in.Int();
    const auto ping = in.Int();
    const auto name = in.String(kMaxPacketBytes);
    const auto team = in.String(kMaxPacketBytes);
    const auto frags = in.Int();
    if (!number || !ping || !name || !team || !frags) {
        return std::nullopt;
    }
    packet.player = {*number, {CleanCubeText(*name), *frags, std::max(0, *ping)}};
    return packet;
}

std::string BuildCube2Info(std::string_view request, const StatusInfo& status) {
    std::string reply(request);
    PutCubeInt(reply, OnlineCount(status));
    PutCubeInt(reply, 5);
    for (const int attribute : {260, 0, 600, status.maxClients, 0}) {
        PutCubeInt(reply, attribute);
    }
    PutCubeString(reply, status.map);
    PutCubeString(reply, status.hostname);
    return reply;
}

std::vector<std::string> BuildCube2Players(std::string_view request, const StatusInfo& status) {
    std::string head(request);
    for (const int value : {kExtAck, kExtVersion, kExtNoError}) {
        PutCubeInt(head, value);
    }
    std::vector<std::string> packets{head};
    PutCubeInt(packets.front(), kRespIds);
    for (std::size_t i = 0; i < status.players.size(); ++i) {
        const auto& player = status.players[i];
        PutCubeInt(packets.front(), static_cast<int>(i));
        std::string packet = head;
        for (const int value : {kRespStats, static_cast<int>(i), player.ping}) {
            PutCubeInt(packet, value);
        }
        PutCubeString(packet, player.name);
        PutCubeString(packet, "good");
        // frags, flags, deaths, team kills, accuracy, health, armour, gun, privilege, state
        for (const int value : {player.score, 0, 0, 0, 0, 100, 0, 1, 0, 0}) {
            PutCubeInt(packet, value);
        }
        packet += std::string(3, '\0'); // the address's first three bytes
        packets.push_back(std::move(packet));
    }
    return packets;
}

namespace {

// The basic info and the player stats are asked at once, with one token that both echo.
class Cube2Exchange final : public Exchange {
public:
    explicit Cube2Exchange(Tokens& tokens)
        : infoRequest_(BuildCube2InfoRequest(TokenBytes(tokens))),
          playersRequest_(BuildCube2PlayersRequest(infoRequest_.substr(1))) {}
    std::vector<std::string> Start() override { return {infoRequest_, playersRequest_}; }

    Step Feed(std::string_view bytes) override {
        if (bytes.size() > kMaxPacketBytes) {
            return {};
        }
        if (bytes.starts_with(infoRequest_)) {
            if (status_) {
                return {};
            }
            status_ = ParseCube2Info(bytes.substr(infoRequest_.size()));
            if (!status_) {
                return {};
            }
        } else if (!bytes.starts_with(playersRequest_) || !TakePlayers(bytes)) {
            return {};
        }
        const bool complete = status_ && numbers_ && status_->players.size() >= numbers_->size();
        return {complete ? Step::Kind::Done : Step::Kind::Wait, {}};
    }

    std::optional<StatusInfo> Result() override { return std::exchange(status_, std::nullopt); }

private:
    static std::string TokenBytes(Tokens& tokens) {
        std::string token;
        while (token.size() < kTokenBytes) {
            const std::uint32_t bits = tokens.Next();
            for (int shift = 0; shift < 32; shift += 8) {
                token += static_cast<char>((bits >> shift) & 0xffu);
            }
        }
        return token;
    }

    bool TakePlayers(std::string_view bytes) {
        const auto packet = ParseCube2Players(bytes.substr(playersRequest_.size()));
        if (!packet) {
            return false;
        }
        if (!packet->player) {
            numbers_.emplace(packet->clientNumbers.begin(), packet->clientNumbers.end());
            return true;
        }
        // A client's packet may come before the numbers; it is kept once all the same.
        if (!status_ || !seen_.insert(packet->player->first).second || seen_.size() > kMaxPlayers) {
            return status_.has_value();
        }
        status_->players.push_back(packet->player->second);
        return true;
    }

    std::string infoRequest_;
    std::string playersRequest_;
    std::optional<StatusInfo> status_;
    std::optional<std::set<int>> numbers_;
    std::set<int> seen_;
};

class Cube2 final : public QueryDriver {
public:
    std::string_view name() const override { return "cube2"; }
    std::uint16_t DefaultQueryPort(std::uint16_t gamePort) const override {
        return static_cast<std::uint16_t>(gamePort == 65535 ? gamePort : gamePort + 1);
    }
    std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const override {
        return std::make_unique<Cube2Exchange>(tokens);
    }
};

} // namespace

const QueryDriver& Cube2Driver() {
    static const Cube2 driver;
    return driver;
}

} // namespace lindrel::stats
