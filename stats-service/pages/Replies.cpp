#include "pages/Replies.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "protocols/GameStatus.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace lindrel::stats {

namespace {

std::string PlayersText(const GameServer& server) {
    const int count = server.down ? 0 : OnlineCount(server.status);
    return std::to_string(count) + "/" + std::to_string(server.lastMaxClients);
}

// The names joined by ", " and encoded, as many whole names as fit in budget bytes.
std::string EncodedNames(const std::vector<std::string>& names, std::size_t budget) {
    std::string encoded;
    for (const auto& name : names) {
        std::string next = (encoded.empty() ? "" : URLEncode(", ")) + URLEncode(name);
        if (encoded.size() + next.size() > budget) {
            break;
        }
        encoded += next;
    }
    return encoded;
}

// A status line in three parts: the fields up to the found count, the found names still
// to be encoded, and the marker field.
struct StatusParts {
    std::string head;
    std::vector<std::string> found;
    std::string tail;
};

StatusParts SplitStatusLine(const GameServer& server, const std::vector<std::string>& wanted,
                            std::int32_t sentMarker, std::size_t& checksLeft) {
    auto matched = MatchWanted(server, wanted, checksLeft);
    const std::int32_t marker = FindMarker(matched);
    const bool report = !matched.empty() && marker != sentMarker;
    StatusParts parts;
    parts.head = std::to_string(server.id) + "|" + URLEncode(server.Name()) + "|" +
                 URLEncode(server.down ? "DOWN" : server.status.map) + "|" +
                 URLEncode(PlayersText(server)) + "|" + URLEncode(std::to_string(server.pingMs)) +
                 "|" + std::to_string(server.gameType) + "|" + server.Endpoint() + "|" +
                 std::to_string(report ? matched.size() : 0) + "|";
    if (report) {
        parts.found = std::move(matched);
    }
    parts.tail = "|" + URLEncode(std::to_string(marker));
    return parts;
}

std::string NameLine(const std::string& name) {
    if (TrimSpaces(name).empty()) {
        return std::string(kNoName);
    }
    if (name.size() >= 8 && EqualsIgnoreCase(std::string_view(name).substr(0, 8), "Players:")) {
        return "_" + name;
    }
    return name;
}

} // namespace

std::vector<std::string> ParseWanted(std::string_view list) {
    std::vector<std::string> wanted;
    if (list.empty()) {
        return wanted;
    }
    for (const auto item : Split(list, ',')) {
        if (wanted.size() == kMaxWanted) {
            break;
        }
        const auto decoded = URLDecode(item);
        if (!decoded) {
            continue;
        }
        std::string name = LowerAscii(TrimSpaces(CleanName(*decoded)));
        if (name.size() >= kMinWantedBytes) {
            wanted.push_back(std::move(name));
        }
    }
    return wanted;
}

std::vector<std::string> MatchWanted(const GameServer& server,
                                     const std::vector<std::string>& wanted,
                                     std::size_t& checksLeft) {
    std::vector<std::string> matched;
    if (server.down || wanted.empty()) {
        return matched;
    }
    const auto& players = server.status.players;
    const bool lowered = server.lowerNames.size() == players.size();
    for (std::size_t i = 0; i < players.size() && checksLeft >= wanted.size(); ++i) {
        checksLeft -= wanted.size();
        const std::string name = lowered ? std::string() : LowerAscii(players[i].name);
        const std::string& lower = lowered ? server.lowerNames[i] : name;
        const bool isWanted = std::any_of(wanted.begin(), wanted.end(), [&](const auto& w) {
            return lower.find(w) != std::string::npos;
        });
        if (isWanted) {
            matched.push_back(players[i].name);
        }
    }
    std::sort(matched.begin(), matched.end());
    return matched;
}

std::vector<std::string> MatchWanted(const GameServer& server,
                                     const std::vector<std::string>& wanted) {
    std::size_t unbounded = SIZE_MAX;
    return MatchWanted(server, wanted, unbounded);
}

std::int32_t FindMarker(const std::vector<std::string>& matched) {
    if (matched.empty()) {
        return 0;
    }
    // FNV-1a over the sorted names, each ended by LF (names hold no LF).
    std::uint32_t hash = 2166136261u;
    for (const auto& name : matched) {
        for (const char c : name + '\n') {
            hash ^= static_cast<unsigned char>(c);
            hash *= 16777619u;
        }
    }
    hash &= 0x7fffffffu;
    return hash == 0 ? 1 : static_cast<std::int32_t>(hash);
}

std::string DirectoryReply(const Config& config) {
    std::string reply;
    for (const auto& server : config.directory) {
        if (!reply.empty()) {
            reply += '\n';
        }
        reply += std::to_string(server.id) + "|" + URLEncode(server.name) + "|||||" +
                 std::to_string(server.gameType) + "||" + URLEncode(server.address) + "|" +
                 std::to_string(server.port);
    }
    return reply;
}

std::string GameTypesReply(const Config& config) {
    std::string reply;
    for (const auto& type : config.gameTypes) {
        reply += std::to_string(type.uid) + "," + type.name + "," + type.mod + "," + type.rcon +
                 "," + type.password + "\n";
    }
    return reply;
}

std::string UpdateReply(const Config& config) {
    const UpdateOffer& offer = config.update;
    std::string reply = offer.version + "\n" + offer.ftpServer + "," + offer.ftpUser + "," +
                        offer.ftpPassword + "," + std::to_string(offer.ftpPort) + "\n";
    for (const auto& [folder, file] : offer.files) {
        reply.append(folder).append(",").append(file).append("\n");
    }
    return reply;
}

std::string StatusLine(const GameServer& server, const std::vector<std::string>& wanted,
                       std::int32_t sentMarker) {
    std::size_t checksLeft = kMaxMatchChecks;
    const StatusParts parts = SplitStatusLine(server, wanted, sentMarker, checksLeft);
    return parts.head + EncodedNames(parts.found, kMaxStatusReplyBytes) + parts.tail;
}

std::string StatusReply(const Registry& registry, std::string_view ids, std::string_view markers,
                        std::string_view wanted) {
    const auto wantedNames = ParseWanted(wanted);
    const auto idList = Split(ids, ',');
    const auto markerList = Split(markers, ',');
    std::unordered_set<int> answered;
    std::vector<StatusParts> lines;
    std::size_t fixedBytes = 0;
    std::size_t checksLeft = kMaxMatchChecks;
    for (std::size_t i = 0; i < idList.size() && i < kMaxRequestedIds; ++i) {
        const auto id = ParseInt32(idList[i]);
        const GameServer* server = id ? registry.FindById(*id) : nullptr;
        // A server that never answered yet has nothing to report; the monitor keeps
        // what it shows until it has.
        if (server == nullptr || !server->Known() || !answered.insert(*id).second) {
            continue;
        }
        const auto sent = i < markerList.size() ? ParseInt32(markerList[i]) : std::nullopt;
        lines.push_back(SplitStatusLine(*server, wantedNames, sent.value_or(0), checksLeft));
        fixedBytes += lines.back().head.size() + lines.back().tail.size() + 1;
    }
    // The found names share what the fixed fields leave, in request order.
    std::size_t nameBudget = kMaxStatusReplyBytes - std::min(fixedBytes, kMaxStatusReplyBytes);
    std::string reply;
    for (const StatusParts& line : lines) {
        const std::string names = EncodedNames(line.found, nameBudget);
        nameBudget -= names.size();
        reply.append(line.head).append(names).append(line.tail) += '\n';
    }
    return reply;
}

std::string PlayersReply(const Registry& registry, std::string_view id, std::string_view wanted) {
    const auto number = ParseInt32(id);
    const GameServer* server = number ? registry.FindById(*number) : nullptr;
    if (server == nullptr) {
        return {};
    }
    const auto wantedNames = ParseWanted(wanted);
    const auto matched = MatchWanted(*server, wantedNames);
    std::string reply = StatusLine(*server, wantedNames, 0) + "\n";
    const auto& players = server->status.players; // emptied while the server is down
    reply += "Players:" + std::to_string(players.size()) + "\n";
    for (const auto& player : players) {
        const bool isWanted = std::binary_search(matched.begin(), matched.end(), player.name);
        reply += NameLine(player.name) + "\n" + std::to_string(player.score) + "," +
                 std::to_string(player.ping) + ",0,0,0," + (isWanted ? "1" : "0") + "\n";
    }
    return reply;
}

std::string LookupReply(const GameServer* found) {
    if (found == nullptr) {
        return "NO SERVER FOUND\n";
    }
    return std::to_string(found->id) + "|" + URLEncode(found->Name()) + "\n";
}

} // namespace lindrel::stats
