#include "protocols/Q3Protocol.h"

#include "base/Text.h"
#include "protocols/QueryDriver.h"

#include <algorithm>
#include <cctype>

namespace lindrel::stats {

namespace {

constexpr std::string_view kResponseHeader{"\xff\xff\xff\xffstatusResponse", 18};

// Reads `score ping "name"`; false when the line has another shape.
bool ParsePlayerLine(std::string_view line, PlayerInfo& player) {
    const auto firstSpace = line.find(' ');
    const auto secondSpace = line.find(' ', firstSpace + 1);
    if (firstSpace == std::string_view::npos || secondSpace == std::string_view::npos) {
        return false;
    }
    const auto score = ParseInt32(line.substr(0, firstSpace));
    const auto ping = ParseInt32(line.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    std::string_view name = line.substr(secondSpace + 1);
    if (!score || !ping || name.size() < 2 || name.front() != '"' || name.back() != '"') {
        return false;
    }
    name = name.substr(1, name.size() - 2);
    player.score = *score;
    player.ping = *ping;
    player.name = CleanName(name);
    return true;
}

} // namespace

std::string BuildGetStatusRequest(std::string_view challenge) {
    std::string request("\xff\xff\xff\xffgetstatus ", 14);
    request += challenge;
    request += '\n';
    return request;
}

std::string QueryArgument(std::string_view query, std::string_view command) {
    const std::string_view prefix("\xff\xff\xff\xff", 4);
    if (query.substr(0, 4) != prefix || query.substr(4, command.size()) != command) {
        return {};
    }
    std::string_view rest = query.substr(4 + command.size());
    const auto start = rest.find_first_not_of(' ');
    rest = start == std::string_view::npos ? std::string_view() : rest.substr(start);
    rest = rest.substr(0, rest.find_first_of(" \n\r"));
    return std::string(rest.substr(0, kMaxChallengeBytes));
}

std::optional<StatusInfo> ParseStatusResponse(std::string_view packet) {
    if (packet.size() > kMaxPacketBytes ||
        packet.substr(0, kResponseHeader.size()) != kResponseHeader) {
        return std::nullopt;
    }
    packet.remove_prefix(kResponseHeader.size());
    LineReader lines(packet);
    std::string_view line;
    // The header ends its own line; the info string is the next one.
    if (!lines.Next(line) || !line.empty() || !lines.Next(line) || line.empty() ||
        line.front() != '\\') {
        return std::nullopt;
    }
    StatusInfo status;
    bool sawMap = false;
    const auto parts = Split(line.substr(1), '\\');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string_view key = parts[i];
        const std::string_view value = parts[i + 1];
        if (EqualsIgnoreCase(key, "sv_hostname") || EqualsIgnoreCase(key, "hostname")) {
            status.hostname = CleanName(value);
        } else if (EqualsIgnoreCase(key, "mapname")) {
            status.map = WithoutControls(StripColours(value), kMaxMapBytes);
            sawMap = !status.map.empty();
        } else if (EqualsIgnoreCase(key, "sv_maxclients")) {
            status.maxClients = std::max(0, ParseInt32(value).value_or(0));
        } else if (key == "challenge" && value.size() <= kMaxChallengeBytes) {
            status.challenge = std::string(value);
        }
    }
    if (!sawMap) {
        return std::nullopt;
    }
    while (lines.Next(line) && status.players.size() < kMaxPlayers) {
        PlayerInfo player;
        if (ParsePlayerLine(line, player)) {
            status.players.push_back(std::move(player));
        }
    }
    return status;
}

std::string BuildStatusResponse(const std::vector<std::pair<std::string, std::string>>& info,
                                const std::vector<PlayerInfo>& players) {
    std::string packet(kResponseHeader);
    packet += '\n';
    for (const auto& [key, value] : info) {
        packet += '\\';
        packet += key;
        packet += '\\';
        packet += value;
    }
    packet += '\n';
    for (const auto& player : players) {
        packet += std::to_string(player.score) + ' ' + std::to_string(player.ping) + " \"" +
                  player.name + "\"\n";
    }
    return packet;
}

namespace {

constexpr std::size_t kChallengeChars = 12;

// A fresh challenge per query, which the reply must echo.
class Q3 final : public QueryDriver {
public:
    std::string_view name() const override { return "q3"; }
    std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const override {
        std::string challenge = tokens.Text(kChallengeChars);
        std::string request = BuildGetStatusRequest(challenge);
        return std::make_unique<EchoExchange>(std::move(request), std::move(challenge),
                                              &ParseStatusResponse);
    }
};

} // namespace

const QueryDriver& Q3Driver() {
    static const Q3 driver;
    return driver;
}

} // namespace lindrel::stats
