#include "TeeworldsProtocol.h"

#include "QueryDriver.h"
#include "base/Text.h"

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
        const auto end = data_.find('\0');
        if (end == std::string_view::npos) {
            return false;
        }
        field = data_.substr(0, end);
        data_.remove_prefix(end + 1);
        return true;
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

class Teeworlds final : public QueryDriver {
public:
    std::string_view name() const override { return "teeworlds"; }
    std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const override {
        const auto token = static_cast<std::uint8_t>(tokens.Next() & 0xffu);
        return std::make_unique<EchoExchange>(BuildTeeworldsRequest(token), std::to_string(token),
                                              &ParseTeeworldsInfo);
    }
};

} // namespace

const QueryDriver& TeeworldsDriver() {
    static const Teeworlds driver;
    return driver;
}

} // namespace lindrel::stats
