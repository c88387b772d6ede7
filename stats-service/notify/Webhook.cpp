#include "notify/Webhook.h"

#include "base/Encoding.h"
#include "base/Text.h"
#include "notify/MessageTemplate.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == ':';
}

} // namespace

std::optional<WebhookFormat> ParseWebhookFormat(std::string_view name) {
    if (name == "discord") {
        return WebhookFormat::Discord;
    }
    if (name == "slack") {
        return WebhookFormat::Slack;
    }
    if (name == "json") {
        return WebhookFormat::Json;
    }
    return std::nullopt;
}

std::optional<WebhookUrl> ParseWebhookUrl(std::string_view text) {
    if (text.size() > kMaxUrlBytes ||
        std::any_of(text.begin(), text.end(), [](char c) { return c <= ' ' || c > '~'; })) {
        return std::nullopt;
    }
    WebhookUrl url;
    std::string_view rest;
    if (text.starts_with("https://")) {
        url.tls = true;
        rest = text.substr(8);
    } else if (text.starts_with("http://")) {
        rest = text.substr(7);
    } else {
        return std::nullopt;
    }
    const auto slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    url.target = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    std::string_view port;
    if (authority.starts_with("[")) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        url.host = std::string(authority.substr(1, close - 1));
        const auto after = authority.substr(close + 1);
        if (!after.empty() && !after.starts_with(":")) {
            return std::nullopt;
        }
        port = after.empty() ? after : after.substr(1);
    } else {
        const auto colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
        if (url.host.find(':') != std::string::npos) {
            return std::nullopt;
        }
    }
    if (url.host.empty() || url.host.size() > 253 ||
        !std::all_of(url.host.begin(), url.host.end(), IsHostChar)) {
        return std::nullopt;
    }
    const auto number = port.empty() ? std::optional(url.tls ? 443 : 80) : ParseInt32(port);
    if (!number || *number < 1 || *number > 65535) {
        return std::nullopt;
    }
    url.port = static_cast<std::uint16_t>(*number);
    return url;
}

std::string_view EventName(EventKind kind) {
    switch (kind) {
    case EventKind::Down:
        return "down";
    case EventKind::Back:
        return "back";
    case EventKind::PlayerJoined:
        return "player";
    case EventKind::PlayersAtLeast:
        return "players_at_least";
    case EventKind::PlayerLeft:
        return "player_left";
    case EventKind::SlotsFree:
        return "slots_free";
    }
    return "";
}

std::optional<EventKind> ParseEventName(std::string_view name) {
    for (const auto kind :
         {EventKind::Down, EventKind::Back, EventKind::PlayerJoined, EventKind::PlayersAtLeast,
          EventKind::PlayerLeft, EventKind::SlotsFree}) {
        if (EventName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string NamedPlayers(const ServerEvent& event) {
    std::string names;
    const std::size_t listed = event.players.size();
    const std::size_t more = event.joined > listed ? event.joined - listed : 0;
    for (std::size_t i = 0; i < listed; ++i) {
        names += i == 0 ? "" : (i + 1 == listed && more == 0 ? " and " : ", ");
        names += event.players[i];
    }
    return more == 0 ? names : names + " and " + std::to_string(more) + " more";
}

std::string EventText(const ServerEvent& event) {
    const std::string where = event.server + " (" + event.address + ")";
    const std::string onMap = event.map.empty() ? "" : ", map " + event.map;
    switch (event.kind) {
    case EventKind::Down:
        return "Server down: " + where;
    case EventKind::Back:
        return "Server back online: " + where + onMap;
    case EventKind::PlayerJoined:
        return NamedPlayers(event) + " joined " + where + onMap;
    case EventKind::PlayersAtLeast:
        return std::to_string(event.online) + " players on " + where + onMap + " (" +
               std::to_string(event.threshold) + " or more)";
    case EventKind::PlayerLeft:
        return NamedPlayers(event) + " left " + where;
    case EventKind::SlotsFree:
        return std::to_string(event.freeSlots) + (event.freeSlots == 1 ? " slot" : " slots") +
               " free on " + where + onMap;
    }
    return "";
}

std::string WebhookBody(WebhookFormat format, const ServerEvent& event, std::string_view wording) {
    const std::string text = wording.empty() ? std::string() : FillTemplate(wording, event, format);
    switch (format) {
    case WebhookFormat::Discord:
        return "{\"content\":" +
               JsonString(CutUtf8Characters(wording.empty() ? EventText(event) : text,
                                            kMaxDiscordCharacters)) +
               ",\"allowed_mentions\":{\"parse\":[]}}";
    case WebhookFormat::Slack:
        return "{\"text\":" +
               JsonString(wording.empty() ? EscapeAngleBrackets(EventText(event)) : text) + "}";
    case WebhookFormat::Json: {
        std::string body =
            "{\"event\":\"" + std::string(EventName(event.kind)) +
            "\",\"server\":{\"id\":" + std::to_string(event.serverId) +
            ",\"name\":" + JsonString(event.server) + ",\"address\":" + JsonString(event.address) +
            "},\"map\":" + JsonString(event.map) + ",\"player\":" +
            // the first who joined, as before a message listed them all
            JsonString(event.players.empty() ? std::string() : event.players.front());
        if (event.kind == EventKind::PlayerJoined || event.kind == EventKind::PlayerLeft) {
            body += ",\"players\":[";
            for (std::size_t i = 0; i < event.players.size(); ++i) {
                body += (i == 0 ? "" : ",") + JsonString(event.players[i]);
            }
            body += event.kind == EventKind::PlayerJoined ? "],\"joined\":" : "],\"left\":";
            body += std::to_string(event.joined);
        } else if (event.kind == EventKind::PlayersAtLeast) {
            body += ",\"online\":" + std::to_string(event.online) +
                    ",\"min_players\":" + std::to_string(event.threshold);
        } else if (event.kind == EventKind::SlotsFree) {
            body += ",\"free_slots\":" + std::to_string(event.freeSlots) +
                    ",\"min_free_slots\":" + std::to_string(event.threshold);
        }
        return body + ",\"message\":" + JsonString(wording.empty() ? EventText(event) : text) +
               ",\"time\":" + std::to_string(event.time) + "}";
    }
    }
    return "";
}

} // namespace lindrel::stats
