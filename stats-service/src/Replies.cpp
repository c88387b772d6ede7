#include "Replies.h"

#include "core/Text.h"
#include "core/UrlCodec.h"

#include <algorithm>
#include <unordered_set>

namespace lindrel::stats {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return lower;
}

std::string PlayersText(const GameServer& server) {
    const std::size_t count = server.down ? 0 : server.status.players.size();
    return std::to_string(count) + "/" + std::to_string(server.lastMaxClients);
}

std::string Join(const std::vector<std::string>& names, std::string_view separator) {
    std::string joined;
    for (const auto& name : names) {
        if (!joined.empty()) {
            joined += separator;
        }
        joined += name;
    }
    return joined;
}

} // namespace

std::vector<std::pair<std::string_view, std::string_view>> ParseQuery(std::string_view query) {
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    for (const auto part : Split(query, '&')) {
        const auto equals = part.find('=');
        if (equals == std::string_view::npos) {
            pairs.emplace_back(part, std::string_view());
        } else {
            pairs.emplace_back(part.substr(0, equals), part.substr(equals + 1));
        }
    }
    return pairs;
}

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
        std::string name = Lower(CleanName(*decoded));
        if (!name.empty()) {
            wanted.push_back(std::move(name));
        }
    }
    return wanted;
}

std::vector<std::string> MatchWanted(const GameServer& server,
                                     const std::vector<std::string>& wanted) {
    std::vector<std::string> matched;
    if (server.down || wanted.empty()) {
        return matched;
    }
    for (const auto& player : server.status.players) {
        const std::string name = Lower(player.name);
        const bool isWanted = std::any_of(wanted.begin(), wanted.end(), [&](const auto& w) {
            return name.find(w) != std::string::npos;
        });
        if (isWanted) {
            matched.push_back(player.name);
        }
    }
    std::sort(matched.begin(), matched.end());
    return matched;
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
    const auto matched = MatchWanted(server, wanted);
    const std::int32_t marker = FindMarker(matched);
    const bool report = !matched.empty() && marker != sentMarker;
    return std::to_string(server.id) + "|" + URLEncode(server.Name()) + "|" +
           URLEncode(server.down ? "DOWN" : server.status.map) + "|" +
           URLEncode(PlayersText(server)) + "|" + URLEncode(std::to_string(server.pingMs)) + "|" +
           std::to_string(server.gameType) + "|" + server.Endpoint() + "|" +
           std::to_string(report ? matched.size() : 0) + "|" +
           (report ? URLEncode(Join(matched, ", ")) : std::string()) + "|" +
           URLEncode(std::to_string(marker));
}

std::string StatusReply(const Registry& registry, std::string_view ids, std::string_view markers,
                        std::string_view wanted) {
    const auto wantedNames = ParseWanted(wanted);
    const auto idList = Split(ids, ',');
    const auto markerList = Split(markers, ',');
    std::unordered_set<int> answered;
    std::string reply;
    for (std::size_t i = 0; i < idList.size() && i < kMaxRequestedIds; ++i) {
        const auto id = ParseInt32(idList[i]);
        const GameServer* server = id ? registry.FindById(*id) : nullptr;
        // A server that never answered yet has nothing to report; the monitor keeps
        // what it shows until it has.
        if (server == nullptr || (!server->everAnswered && !server->down) ||
            !answered.insert(*id).second) {
            continue;
        }
        const auto sent = i < markerList.size() ? ParseInt32(markerList[i]) : std::nullopt;
        reply += StatusLine(*server, wantedNames, sent.value_or(0));
        reply += '\n';
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
        reply += player.name + "\n" + std::to_string(player.score) + "," +
                 std::to_string(player.ping) + ",0,0,0," + (isWanted ? "1" : "0") + "\n";
    }
    return reply;
}

} // namespace lindrel::stats
