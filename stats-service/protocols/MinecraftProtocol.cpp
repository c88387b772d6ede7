#include "protocols/MinecraftProtocol.h"

#include "base/Encoding.h"
#include "base/Json.h"
#include "protocols/QueryDriver.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

constexpr std::int32_t kStatusPacketId = 0;
// "Whatever version the server is": a status query works with any.
constexpr std::int32_t kAnyProtocolVersion = -1;
constexpr std::int32_t kNextStateStatus = 1;
constexpr std::size_t kMaxTextDepth = 8;
const std::string kSection = "\xc2\xa7"; // §

void PutString(std::string& out, std::string_view text) {
    PutVarInt(out, static_cast<std::int32_t>(text.size()));
    out += text;
}

std::string Packet(std::int32_t id, std::string_view body) {
    std::string idAndBody;
    PutVarInt(idAndBody, id);
    idAndBody += body;
    std::string packet;
    PutVarInt(packet, static_cast<std::int32_t>(idAndBody.size()));
    return packet + idAndBody;
}

// A description is a text, or a component with "text" and "extra" components, or a list.
void AppendText(const JsonValue& value, std::string& out, std::size_t depth) {
    if (depth > kMaxTextDepth || out.size() > kMaxPacketBytes) {
        return;
    }
    if (value.type == JsonValue::Type::String) {
        out += value.text;
    } else if (value.type == JsonValue::Type::Object) {
        out += value.TextOf("text");
        if (const JsonValue* extra = value.Find("extra")) {
            AppendText(*extra, out, depth + 1);
        }
    } else if (value.type == JsonValue::Type::Array) {
        for (const auto& item : value.items) {
            AppendText(item, out, depth + 1);
        }
    }
}

} // namespace

void PutVarInt(std::string& out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    do {
        const auto low = static_cast<char>(bits & 0x7fu);
        bits >>= 7;
        out += bits != 0 ? static_cast<char>(low | '\x80') : low;
    } while (bits != 0);
}

std::optional<std::pair<std::int32_t, std::size_t>> ReadVarInt(std::string_view bytes,
                                                               bool& overlong) {
    std::uint32_t bits = 0;
    overlong = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 5) {
            overlong = true;
            return std::nullopt;
        }
        const auto byte = static_cast<unsigned char>(bytes[i]);
        bits |= static_cast<std::uint32_t>(byte & 0x7fu) << (7 * i);
        if ((byte & 0x80u) == 0) {
            return std::pair{static_cast<std::int32_t>(bits), i + 1};
        }
    }
    return std::nullopt;
}

std::string BuildMinecraftRequest(std::string_view host, std::uint16_t port) {
    std::string handshake;
    PutVarInt(handshake, kAnyProtocolVersion);
    PutString(handshake, host);
    handshake += static_cast<char>(port >> 8);
    handshake += static_cast<char>(port & 0xffu);
    PutVarInt(handshake, kNextStateStatus);
    return Packet(0, handshake) + Packet(kStatusPacketId, {});
}

std::string WithoutSectionCodes(std::string_view text) {
    std::string plain;
    for (std::size_t at = 0; at < text.size();) {
        if (text.substr(at, kSection.size()) != kSection) {
            plain += text[at++];
            continue;
        }
        at += kSection.size();
        // The code is one character, which may take more than a byte.
        if (at < text.size()) {
            ++at;
            while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xc0u) == 0x80u) {
                ++at;
            }
        }
    }
    return plain;
}

std::optional<StatusInfo> ParseMinecraftStatus(std::string_view json) {
    if (json.size() > kMaxMinecraftReplyBytes) {
        return std::nullopt;
    }
    const auto root = ParseJson(json);
    const JsonValue* players = root ? root->Find("players") : nullptr;
    if (players == nullptr || players->type != JsonValue::Type::Object) {
        return std::nullopt;
    }
    StatusInfo status;
    std::string description;
    if (const JsonValue* text = root->Find("description")) {
        AppendText(*text, description, 0);
    }
    // A description's lines read as one.
    std::replace(description.begin(), description.end(), '\n', ' ');
    status.hostname = WithoutControls(WithoutSectionCodes(description), kMaxNameBytes);
    if (const JsonValue* version = root->Find("version")) {
        status.map = WithoutControls(WithoutSectionCodes(version->TextOf("name")), kMaxMapBytes);
    }
    status.online = players->IntOf("online", 0, kMaxOnline, 0);
    status.maxClients = players->IntOf("max", 0, kMaxOnline, 0);
    if (const JsonValue* sample = players->Find("sample");
        sample != nullptr && sample->type == JsonValue::Type::Array) {
        for (const auto& player : sample->items) {
            const auto name = player.TextOf("name");
            if (!name.empty() && status.players.size() < kMaxPlayers) {
                status.players.push_back({WithoutControls(name, kMaxNameBytes), 0, 0});
            }
        }
    }
    return status;
}

std::string BuildMinecraftStatusJson(const StatusInfo& status) {
    std::string json =
        "{\"version\":{\"name\":" + JsonString(status.map) +
        ",\"protocol\":763},\"players\":{\"max\":" + std::to_string(status.maxClients) +
        ",\"online\":" + std::to_string(OnlineCount(status)) + ",\"sample\":[";
    for (std::size_t i = 0; i < status.players.size(); ++i) {
        json += (i == 0 ? "" : ",") + std::string("{\"name\":") +
                JsonString(status.players[i].name) +
                ",\"id\":\"00000000-0000-0000-0000-00000000000" + std::to_string(i % 10) + "\"}";
    }
    return json + "]},\"description\":{\"text\":" + JsonString(status.hostname) + "}}";
}

std::string BuildMinecraftStatusPacket(const StatusInfo& status) {
    std::string body;
    PutString(body, BuildMinecraftStatusJson(status));
    return Packet(kStatusPacketId, body);
}

namespace {

// Over TCP the connection is the proof of origin; the reply is read until its length is in.
std::size_t ReplySize(std::string_view received) {
    bool overlong = false;
    const auto length = ReadVarInt(received, overlong);
    if (!length) {
        return overlong ? FramedExchange::kNotAReply : FramedExchange::kNeedMore;
    }
    const auto [size, lengthBytes] = *length;
    if (size <= 0 || static_cast<std::size_t>(size) > kMaxMinecraftReplyBytes) {
        return FramedExchange::kNotAReply;
    }
    return lengthBytes + static_cast<std::size_t>(size);
}

// A whole status packet: its length, its id, then the JSON with its own length.
std::optional<StatusInfo> ParseStatusPacket(std::string_view packet) {
    bool overlong = false;
    const auto length = ReadVarInt(packet, overlong);
    packet.remove_prefix(length ? length->second : packet.size());
    const auto id = ReadVarInt(packet, overlong);
    if (!id || id->first != kStatusPacketId) {
        return std::nullopt;
    }
    packet.remove_prefix(id->second);
    const auto jsonLength = ReadVarInt(packet, overlong);
    if (!jsonLength || jsonLength->first < 0 ||
        packet.size() - jsonLength->second != static_cast<std::size_t>(jsonLength->first)) {
        return std::nullopt;
    }
    return ParseMinecraftStatus(packet.substr(jsonLength->second));
}

class Minecraft final : public QueryDriver {
public:
    std::string_view name() const override { return "minecraft"; }
    Transport transport() const override { return Transport::Tcp; }
    std::unique_ptr<Exchange> NewExchange(Tokens& /*tokens*/) const override {
        return std::make_unique<FramedExchange>(BuildMinecraftRequest("localhost", 25565),
                                                ReplySize, ParseStatusPacket);
    }
};

} // namespace

const QueryDriver& MinecraftDriver() {
    static const Minecraft driver;
    return driver;
}

} // namespace lindrel::stats
