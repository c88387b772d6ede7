#include "notify/MessageTemplate.h"

#include "base/Encoding.h"

#include <algorithm>
#include <array>
#include <optional>

namespace lindrel::stats {

namespace {

constexpr std::array<std::string_view, 8> kPlaceholders = {"name", "address", "map",  "players",
                                                           "max",  "joined",  "left", "free"};

std::optional<std::string> ValueOf(std::string_view placeholder, const ServerEvent& event) {
    const bool names = (placeholder == "joined" && event.kind == EventKind::PlayerJoined) ||
                       (placeholder == "left" && event.kind == EventKind::PlayerLeft);
    if (placeholder == "name") {
        return event.server;
    }
    if (placeholder == "address") {
        return event.address;
    }
    if (placeholder == "map") {
        return event.map;
    }
    if (placeholder == "players") {
        return std::to_string(event.online);
    }
    if (placeholder == "max") {
        return std::to_string(event.maxPlayers);
    }
    if (placeholder == "free") {
        return std::to_string(event.freeSlots);
    }
    if (placeholder == "joined" || placeholder == "left") {
        return names ? NamedPlayers(event) : std::string();
    }
    return std::nullopt;
}

} // namespace

std::string TemplateProblem(std::string_view text) {
    if (text.size() > kMaxTemplateBytes) {
        return "must be at most 1,000 bytes";
    }
    for (std::size_t at = text.find_first_of("{}"); at != std::string_view::npos;
         at = text.find_first_of("{}", at)) {
        const auto close = text[at] == '{' ? text.find('}', at) : std::string_view::npos;
        if (close == std::string_view::npos) {
            return "has a brace without its mate";
        }
        const auto name = text.substr(at + 1, close - at - 1);
        if (std::find(kPlaceholders.begin(), kPlaceholders.end(), name) == kPlaceholders.end()) {
            return "has {" + std::string(name.substr(0, 40)) +
                   "}, which is none of {name}, {address}, {map}, {players}, {max}, {joined}, "
                   "{left} and {free}";
        }
        at = close + 1;
    }
    return {};
}

std::string FillTemplate(std::string_view text, const ServerEvent& event, WebhookFormat format) {
    std::string filled;
    std::size_t from = 0;
    for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', from)) {
        const auto close = text.find('}', at);
        const auto value = close == std::string_view::npos
                               ? std::nullopt
                               : ValueOf(text.substr(at + 1, close - at - 1), event);
        if (!value) {
            break; // a checked template has none; the rest is taken as written
        }
        filled += ToUtf8(text.substr(from, at - from));
        filled += format == WebhookFormat::Slack ? EscapeAngleBrackets(*value) : ToUtf8(*value);
        from = close + 1;
    }
    filled += ToUtf8(text.substr(from));
    return filled;
}

} // namespace lindrel::stats
