#include "protocols/A2sProtocol.h"

#include "protocols/ByteOrder.h"
#include "protocols/QueryDriver.h"

#include <algorithm>
#include <cstring>

namespace lindrel::stats {

namespace {

const std::string kWhole(4, '\xff');
const std::string kSplit("\xfe\xff\xff\xff", 4);
constexpr std::size_t kSourceHeader = 12; // split mark, id, total, number, part size
constexpr std::size_t kGoldSrcHeader = 9; // split mark, id, number and total in one byte
constexpr std::size_t kMaxParts = 16;
constexpr std::size_t kMaxPendingReplies = 4;
constexpr std::size_t kMaxReplyBytes = std::size_t{64} * 1024;
constexpr int kMaxHandshakes = 4;

bool IsReply(std::string_view reply, char type) {
    return reply.size() >= 5 && reply.starts_with(kWhole) && reply[4] == type;
}

// The number, total and payload of a part read with one header layout, when they fit.
struct Part {
    std::size_t number = 0;
    std::size_t total = 0;
    std::string_view payload;
};
std::optional<Part> ReadPart(std::string_view packet, bool source) {
    const std::size_t header = source ? kSourceHeader : kGoldSrcHeader;
    if (packet.size() <= header) {
        return std::nullopt;
    }
    const auto at8 = static_cast<unsigned char>(packet[8]);
    Part part;
    part.total = source ? at8 : (at8 & 0x0fu);
    part.number = source ? static_cast<unsigned char>(packet[9]) : (at8 >> 4u);
    part.payload = packet.substr(header);
    if (part.total < 1 || part.total > kMaxParts || part.number >= part.total) {
        return std::nullopt;
    }
    return part;
}

// The reply when every part is there under one of the two layouts; the first part's
// payload must open like a whole reply.
std::optional<std::string> Join(const std::vector<std::string>& packets) {
    for (const bool source : {true, false}) {
        std::vector<std::string_view> ordered;
        for (const auto& packet : packets) {
            const auto part = ReadPart(packet, source);
            if (!part) {
                continue;
            }
            ordered.resize(part->total);
            ordered[part->number] = part->payload;
        }
        const bool complete =
            !ordered.empty() && std::none_of(ordered.begin(), ordered.end(),
                                             [](std::string_view p) { return p.empty(); });
        if (complete && ordered.front().starts_with(kWhole)) {
            std::string reply;
            for (const auto payload : ordered) {
                reply += payload;
            }
            return reply;
        }
    }
    return std::nullopt;
}

} // namespace

std::string BuildA2sInfoRequest(const std::optional<A2sChallenge>& challenge) {
    std::string request = kWhole + "TSource Engine Query" + '\0';
    return challenge ? request + *challenge : request;
}

std::string BuildA2sPlayerRequest(const std::optional<A2sChallenge>& challenge) {
    return kWhole + "U" + challenge.value_or(kWhole);
}

std::vector<std::string> SplitA2sReply(std::string_view reply, std::uint32_t id,
                                       std::size_t partBytes) {
    const std::size_t total = std::max<std::size_t>(1, (reply.size() + partBytes - 1) / partBytes);
    std::vector<std::string> packets;
    for (std::size_t i = 0; i < total; ++i) {
        std::string packet = kSplit;
        PutLittleEndian(packet, id, 4);
        PutLittleEndian(packet, static_cast<std::uint32_t>(total), 1);
        PutLittleEndian(packet, static_cast<std::uint32_t>(i), 1);
        PutLittleEndian(packet, static_cast<std::uint32_t>(partBytes), 2);
        packets.push_back(packet + std::string(reply.substr(i * partBytes, partBytes)));
    }
    return packets;
}

std::optional<std::string> A2sAssembler::Add(std::string_view packet, bool& taken) {
    taken = false;
    if (packet.size() > kMaxPacketBytes) {
        return std::nullopt;
    }
    if (packet.starts_with(kWhole)) {
        taken = true;
        return std::string(packet);
    }
    LittleEndianReader head(packet);
    head.Skip(4);
    const auto id = head.Number(4);
    // Compressed replies (the id's top bit) come only from old engines; they are refused.
    if (!packet.starts_with(kSplit) || !id || (*id & 0x80000000u) != 0 ||
        (!ReadPart(packet, true) && !ReadPart(packet, false))) {
        return std::nullopt;
    }
    const auto key = static_cast<std::uint32_t>(*id);
    auto found = parts_.find(key);
    if (found == parts_.end()) {
        if (parts_.size() == kMaxPendingReplies) {
            parts_.erase(parts_.begin());
        }
        found = parts_.emplace(key, std::vector<std::string>{}).first;
    }
    auto& packets = found->second;
    std::size_t bytes = packet.size();
    for (const auto& kept : packets) {
        bytes += kept.size();
    }
    if (packets.size() == kMaxParts || bytes > kMaxReplyBytes) {
        parts_.erase(found);
        return std::nullopt;
    }
    taken = true;
    packets.emplace_back(packet);
    auto reply = Join(packets);
    if (reply) {
        parts_.erase(found);
    }
    return reply;
}

std::optional<A2sChallenge> ParseA2sChallenge(std::string_view reply) {
    if (!IsReply(reply, 'A') || reply.size() < 9) {
        return std::nullopt;
    }
    return A2sChallenge(reply.substr(5, 4));
}

std::optional<StatusInfo> ParseA2sInfo(std::string_view reply) {
    const bool source = IsReply(reply, 'I');
    if ((!source && !IsReply(reply, 'm')) || reply.size() > kMaxReplyBytes) {
        return std::nullopt;
    }
    LittleEndianReader in(reply.substr(5));
    if (source) {
        in.Number(1); // protocol
    } else {
        in.String(); // address
    }
    const auto name = in.String();
    const auto map = in.String();
    const bool texts = in.String() && in.String(); // folder, game
    if (source) {
        in.Number(2); // application id
    }
    const auto players = in.Number(1);
    const auto max = in.Number(1);
    if (!name || !map || !texts || !players || !max) {
        return std::nullopt;
    }
    StatusInfo status;
    status.hostname = WithoutControls(*name, kMaxNameBytes);
    status.map = WithoutControls(*map, kMaxMapBytes);
    status.online = static_cast<int>(*players);
    status.maxClients = static_cast<int>(*max);
    return status;
}

std::optional<std::vector<PlayerInfo>> ParseA2sPlayers(std::string_view reply) {
    if (!IsReply(reply, 'D') || reply.size() > kMaxReplyBytes) {
        return std::nullopt;
    }
    LittleEndianReader in(reply.substr(5));
    const auto count = in.Number(1);
    if (!count) {
        return std::nullopt;
    }
    std::vector<PlayerInfo> players;
    for (std::uint32_t i = 0; i < *count && players.size() < kMaxPlayers; ++i) {
        const auto index = in.Number(1);
        const auto name = in.String();
        const auto score = in.Number(4);
        const auto duration = in.Number(4);
        if (!index || !name || !score || !duration) {
            break; // a list cut short keeps the players read so far
        }
        players.push_back({WithoutControls(*name, kMaxNameBytes),
                           static_cast<int>(static_cast<std::int32_t>(*score)), 0});
    }
    return players;
}

std::string BuildA2sChallenge(const A2sChallenge& challenge) {
    return kWhole + "A" + challenge;
}

std::string BuildA2sInfo(const StatusInfo& status) {
    std::string reply = kWhole + "I\x11";
    for (const auto& text : {status.hostname, status.map, std::string("cstrike"),
                             std::string("Counter-Strike: Source")}) {
        reply += text + '\0';
    }
    PutLittleEndian(reply, 240, 2);
    PutLittleEndian(reply, static_cast<std::uint32_t>(std::min(OnlineCount(status), 255)), 1);
    PutLittleEndian(reply, static_cast<std::uint32_t>(std::min(status.maxClients, 255)), 1);
    reply += std::string("\0dl\0\0", 5); // bots, dedicated, Linux, public, no VAC
    return reply + "1.0.0.0" + '\0' + '\0';
}

std::string BuildA2sPlayers(const std::vector<PlayerInfo>& players) {
    std::string reply = kWhole + "D";
    PutLittleEndian(reply, static_cast<std::uint32_t>(std::min<std::size_t>(players.size(), 255)),
                    1);
    float seconds = 60.0F;
    for (std::size_t i = 0; i < players.size() && i < 255; ++i) {
        PutLittleEndian(reply, static_cast<std::uint32_t>(i), 1);
        reply += players[i].name + '\0';
        PutLittleEndian(reply, static_cast<std::uint32_t>(players[i].score), 4);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &seconds, sizeof bits);
        PutLittleEndian(reply, bits, 4);
        seconds += 30.0F;
    }
    return reply;
}

namespace {

// A2S_INFO, then A2S_PLAYER, each sent again with the challenge when a server asks for it.
class A2sExchange final : public Exchange {
public:
    std::vector<std::string> Start() override { return {BuildA2sInfoRequest(std::nullopt)}; }

    Step Feed(std::string_view bytes) override {
        bool taken = false;
        const auto reply = assembler_.Add(bytes, taken);
        if (!reply) {
            return {taken ? Step::Kind::Wait : Step::Kind::Ignore, {}};
        }
        if (auto challenge = ParseA2sChallenge(*reply)) {
            // A server that keeps asking would hold the exchange forever.
            if (++handshakes_ > kMaxHandshakes) {
                return {};
            }
            challenge_ = std::move(challenge);
            return {Step::Kind::Send,
                    status_ ? BuildA2sPlayerRequest(challenge_) : BuildA2sInfoRequest(challenge_)};
        }
        if (!status_) {
            status_ = ParseA2sInfo(*reply);
            return status_ ? Step{Step::Kind::Send, BuildA2sPlayerRequest(challenge_)} : Step{};
        }
        auto players = ParseA2sPlayers(*reply);
        if (!players) {
            return {};
        }
        status_->players = std::move(*players);
        return {Step::Kind::Done, {}};
    }

    std::optional<StatusInfo> Result() override { return std::exchange(status_, std::nullopt); }

private:
    A2sAssembler assembler_;
    std::optional<A2sChallenge> challenge_;
    std::optional<StatusInfo> status_;
    int handshakes_ = 0;
};

class A2s final : public QueryDriver {
public:
    std::string_view name() const override { return "a2s"; }
    std::unique_ptr<Exchange> NewExchange(Tokens& /*tokens*/) const override {
        return std::make_unique<A2sExchange>();
    }
};

} // namespace

const QueryDriver& A2sDriver() {
    static const A2s driver;
    return driver;
}

} // namespace lindrel::stats
