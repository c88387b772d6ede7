#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a webhook is sent: where (its URL), in which shape (Discord, Slack or plain JSON),
// and the event it tells of. Errors are values: an empty optional for a URL or format
// that cannot be used.
namespace lindrel::stats {

enum class WebhookFormat { Discord, Slack, Json };
std::optional<WebhookFormat> ParseWebhookFormat(std::string_view name);

struct WebhookUrl {
    bool tls = false;
    std::string host; // a name, or an IP literal (an IPv6 one without brackets)
    std::uint16_t port = 0;
    std::string target; // path and query, from "/"
};
// "http://" or "https://", a host (an IPv6 literal in brackets), an optional port, a path;
// printable ASCII only, no user name or password, at most kMaxUrlBytes.
inline constexpr std::size_t kMaxUrlBytes = 2048;
std::optional<WebhookUrl> ParseWebhookUrl(std::string_view text);

enum class EventKind { Down, Back, PlayerJoined, PlayersAtLeast, PlayerLeft, SlotsFree };
inline constexpr std::size_t kEventKinds = 6;
// "down", "back", "player", "players_at_least", "player_left", "slots_free": the names the
// configuration and the JSON use.
std::string_view EventName(EventKind kind);
std::optional<EventKind> ParseEventName(std::string_view name);

// A message names at most this many players who joined or left; the rest are counted.
inline constexpr std::size_t kMaxNamesInMessage = 20;

struct ServerEvent {
    EventKind kind = EventKind::Down;
    int serverId = 0;
    std::string server;  // its name
    std::string address; // "host:port"
    std::string map;
    // Who joined or left in one refresh (a player or player_left event), with their names
    // in lower case for matching; a message names at most kMaxNamesInMessage of them, and
    // joined counts all.
    std::vector<std::string> players;
    std::vector<std::string> lowerPlayers;
    std::size_t joined = 0;
    int online = 0;     // players on the server now
    int maxPlayers = 0; // its limit
    int freeSlots = 0;  // its limit less its players (a slots_free event)
    int threshold = 0;  // the number reached: min_players or min_free_slots
    std::int64_t time = 0;
};

// One [[notify]] entry of the configuration.
struct WebhookEntry {
    std::string url;   // as configured; its path and query are the webhook's secret
    std::string label; // how messages and figures name it: its name or index and its host
    WebhookUrl at;
    WebhookFormat format = WebhookFormat::Json;
    bool down = true;
    bool back = true;
    bool player = true;
    bool atLeast = false; // players reaching minPlayers
    int minPlayers = 0;
    bool playerLeft = false;
    bool slotsFree = false; // free slots reaching minFreeSlots
    int minFreeSlots = 0;
    std::vector<std::string> players; // wanted names, lower case
    std::vector<int> servers;         // only these; empty: every watched server
    bool live = false;                // keeps one message showing the servers (Discord only)
    // The admin's wording of each event's message (MessageTemplate.h), by EventKind;
    // empty: the built-in text.
    std::array<std::string, kEventKinds> templates;
    std::chrono::milliseconds timeout{10'000};
    int retries = 4;
    std::chrono::milliseconds backoff{2'000}; // before the first retry, doubled each time
    int perMinute = 30;                       // requests at most, Discord's own limit
};

// The request body, as UTF-8 JSON, with the message a person reads: the event's built-in
// text, or `wording` filled in (MessageTemplate.h). Discord is asked to ping nobody,
// whatever a player's name says, and gets at most 2,000 characters; Slack's own markup is
// escaped in what the event brings.
std::string WebhookBody(WebhookFormat format, const ServerEvent& event,
                        std::string_view wording = {});
// The one-line message a person reads.
std::string EventText(const ServerEvent& event);
// The players an event names: "A", "A and B", "A, B and C", "A, B and 3 more".
std::string NamedPlayers(const ServerEvent& event);

} // namespace lindrel::stats
