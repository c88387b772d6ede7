#include "notify/LiveMessage.h"

#include "base/Encoding.h"
#include "base/Json.h"
#include "notify/MessageTemplate.h"

#include <algorithm>
#include <array>
#include <openssl/evp.h>
#include <unordered_map>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxIdDigits = 20; // a 64-bit snowflake
constexpr std::size_t kKeyBytes = 16;

std::size_t Characters(std::string_view utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xc0) != 0x80; }));
}

std::string LineOf(const LiveRow& row) {
    switch (row.state) {
    case LiveState::Up: {
        std::string line = "\xf0\x9f\x9f\xa2 " + row.name + ": up, " + std::to_string(row.players) +
                           "/" + std::to_string(row.maxPlayers) + " players";
        return row.map.empty() ? line : line + ", map " + row.map;
    }
    case LiveState::Down:
        return "\xf0\x9f\x94\xb4 " + row.name + ": down";
    case LiveState::Maintenance:
        return "\xf0\x9f\x94\xa7 " + row.name + ": maintenance";
    }
    return "";
}

} // namespace

std::string LiveMessageBody(std::string_view title, const std::vector<LiveRow>& rows,
                            const std::vector<int>& only) {
    std::vector<const LiveRow*> shown;
    if (only.empty()) {
        for (const LiveRow& row : rows) {
            shown.push_back(&row);
        }
    } else {
        // Up to 10,000 of each: found by id, not by a walk of the rows for each.
        std::unordered_map<int, const LiveRow*> byId;
        for (const LiveRow& row : rows) {
            byId.emplace(row.serverId, &row);
        }
        for (const int id : only) {
            if (const auto found = byId.find(id); found != byId.end()) {
                shown.push_back(found->second);
            }
        }
    }
    // Room for the last line: "… and 10000 more servers".
    constexpr std::size_t kRestLine = 40;
    std::string text = std::string(CutUtf8Characters(title, 200));
    std::size_t characters = Characters(text);
    std::size_t listed = 0;
    for (const LiveRow* row : shown) {
        const std::string line = "\n" + LineOf(*row);
        const std::size_t length = Characters(line);
        if (characters + length + kRestLine > kMaxDiscordCharacters) {
            break;
        }
        text += line;
        characters += length;
        ++listed;
    }
    if (listed < shown.size()) {
        text += "\n\xe2\x80\xa6 and " + std::to_string(shown.size() - listed) + " more servers";
    }
    return "{\"content\":" + JsonString(text) + ",\"allowed_mentions\":{\"parse\":[]}}";
}

std::string CreateMessageTarget(std::string_view target) {
    return std::string(target) + (target.find('?') == std::string_view::npos ? "?" : "&") +
           "wait=true";
}

std::string EditMessageTarget(std::string_view target, std::string_view id) {
    const auto query = target.find('?');
    std::string path(target.substr(0, query));
    while (path.ends_with('/')) {
        path.pop_back();
    }
    path += "/messages/" + std::string(id);
    return query == std::string_view::npos ? path : path + std::string(target.substr(query));
}

bool IsMessageId(std::string_view id) {
    return !id.empty() && id.size() <= kMaxIdDigits &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string MessageIdOf(std::string_view answer) {
    // A message object with its author, embeds and the rest: a few hundred values.
    const auto message = ParseJson(answer, JsonLimits{.maxDepth = 16, .maxValues = 4096});
    if (!message || message->type != JsonValue::Type::Object) {
        return {};
    }
    const std::string_view id = message->TextOf("id");
    return IsMessageId(id) ? std::string(id) : std::string();
}

std::string LiveKey(std::string_view url) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (EVP_Digest(url.data(), url.size(), digest.data(), &size, EVP_sha256(), nullptr) != 1 ||
        size < kKeyBytes) {
        return {};
    }
    constexpr std::string_view kHex = "0123456789abcdef";
    std::string key;
    for (std::size_t i = 0; i < kKeyBytes; ++i) {
        key += kHex[digest[i] >> 4];
        key += kHex[digest[i] & 0xf];
    }
    return key;
}

} // namespace lindrel::stats
