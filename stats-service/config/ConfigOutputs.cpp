#include "config/ConfigOutputs.h"

#include "base/Text.h"
#include "notify/MessageTemplate.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <optional>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxWebhooks = 16;
constexpr std::size_t kMaxWantedPerWebhook = 32;
constexpr std::size_t kMaxWantedBytes = 64;
constexpr std::size_t kMaxListedServers = 10'000;
constexpr std::size_t kMaxWebhookNameBytes = 64;
constexpr int kMaxMinPlayers = 10'000;
constexpr int kMaxMinFreeSlots = 1'000;

const toml::table* Section(TomlReader& root, const char* key, bool& ok) {
    ok = true;
    const toml::node* node = root.Node(key);
    if (node != nullptr && !node->is_table()) {
        ok = root.Fail(key, "must be a table");
    }
    return node == nullptr ? nullptr : node->as_table();
}

bool ReadEvents(TomlReader& reader, WebhookEntry& entry) {
    // A live message is what a live entry is for: events only when it lists them.
    std::vector<std::string> names;
    if (!entry.live) {
        names = {"down", "back", "player"};
    }
    if (!reader.TextList("events", 6, 16, names)) {
        return false;
    }
    entry.down = entry.back = entry.player = entry.atLeast = false;
    entry.playerLeft = entry.slotsFree = false;
    for (const auto& name : names) {
        const auto kind = ParseEventName(name);
        if (!kind) {
            return reader.Fail("events", "holds \"down\", \"back\", \"player\", "
                                         "\"players_at_least\", \"player_left\" and "
                                         "\"slots_free\" only");
        }
        switch (*kind) {
        case EventKind::Down:
            entry.down = true;
            break;
        case EventKind::Back:
            entry.back = true;
            break;
        case EventKind::PlayerJoined:
            entry.player = true;
            break;
        case EventKind::PlayersAtLeast:
            entry.atLeast = true;
            break;
        case EventKind::PlayerLeft:
            entry.playerLeft = true;
            break;
        case EventKind::SlotsFree:
            entry.slotsFree = true;
            break;
        }
    }
    if (entry.atLeast != reader.Has("min_players")) {
        return reader.Fail("min_players", "goes with the event \"players_at_least\", and it "
                                          "with min_players");
    }
    if (entry.slotsFree != reader.Has("min_free_slots")) {
        return reader.Fail("min_free_slots", "goes with the event \"slots_free\", and it "
                                             "with min_free_slots");
    }
    return (!entry.atLeast || reader.Number("min_players", 1, kMaxMinPlayers, entry.minPlayers)) &&
           (!entry.slotsFree ||
            reader.Number("min_free_slots", 1, kMaxMinFreeSlots, entry.minFreeSlots));
}

bool ReadWanted(TomlReader& reader, WebhookEntry& entry) {
    std::vector<std::string> names;
    if (!reader.TextList("players", kMaxWantedPerWebhook, kMaxWantedBytes, names)) {
        return false;
    }
    for (const auto& name : names) {
        const auto trimmed = TrimSpaces(name);
        // As with the monitor's wanted players: one letter would match nearly everyone.
        if (trimmed.size() < 2) {
            return reader.Fail("players", "holds names of at least two letters");
        }
        entry.players.push_back(LowerAscii(trimmed));
    }
    return true;
}

// [notify.templates]: a wording for each event by its name, placeholders checked.
bool ReadTemplates(TomlReader& parent, const std::string& name, WebhookEntry& entry,
                   std::string& error) {
    const toml::node* node = parent.Node("templates");
    if (node == nullptr) {
        return true;
    }
    if (!node->is_table()) {
        return parent.Fail("templates", "must be a table of event names and their texts");
    }
    TomlReader reader(*node->as_table(), name + ".templates", error);
    for (std::size_t kind = 0; kind < kEventKinds; ++kind) {
        const std::string_view event = EventName(static_cast<EventKind>(kind));
        std::string& text = entry.templates[kind];
        if (!reader.Text(event, text, kMaxTemplateBytes)) {
            return false;
        }
        if (const std::string problem = TemplateProblem(text); !problem.empty()) {
            return reader.Fail(event, problem);
        }
    }
    return reader.Finish();
}

bool ReadWebhook(const toml::table& table, const std::string& name, WebhookEntry& entry,
                 std::string& error) {
    TomlReader reader(table, name, error);
    std::string format;
    std::string label;
    std::int64_t timeout = entry.timeout.count();
    std::int64_t backoff = entry.backoff.count();
    if (!reader.Has("url") || !reader.Has("format")) {
        error = name + " needs a url and a format";
        return false;
    }
    if (!reader.Text("url", entry.url, kMaxUrlBytes) || !reader.Text("format", format, 16) ||
        !reader.Bool("live", entry.live) || !ReadEvents(reader, entry) ||
        !ReadWanted(reader, entry) || !reader.IdList("servers", kMaxListedServers, entry.servers) ||
        !reader.Int("timeout_ms", 100, 60'000, timeout) ||
        !reader.Number("retries", 0, 10, entry.retries) ||
        !reader.Int("backoff_ms", 10, 600'000, backoff) ||
        !reader.Number("per_minute", 1, 600, entry.perMinute) ||
        !reader.Text("name", label, kMaxWebhookNameBytes) ||
        !ReadTemplates(reader, name, entry, error) || !reader.Finish()) {
        return false;
    }
    const auto at = ParseWebhookUrl(entry.url);
    if (!at) {
        return reader.Fail("url", "must be an http:// or https:// address");
    }
    const auto shape = ParseWebhookFormat(format);
    if (!shape) {
        return reader.Fail("format", "must be \"discord\", \"slack\" or \"json\"");
    }
    if (entry.live && *shape != WebhookFormat::Discord) {
        return reader.Fail("live", "needs format = \"discord\": Slack's and plain JSON "
                                   "webhooks cannot edit a message they sent");
    }
    entry.at = *at;
    // Logs and figures name it so, never by its URL: the path holds the webhook's secret.
    entry.label = (label.empty() ? name : "\"" + label + "\"") + " at " + at->host;
    entry.format = *shape;
    entry.timeout = std::chrono::milliseconds(timeout);
    entry.backoff = std::chrono::milliseconds(backoff);
    return true;
}

// Every server a list names must be one the configuration watches.
bool NamesWatched(const Config& config, const std::vector<int>& ids, const std::string& where,
                  std::string& error) {
    for (const int id : ids) {
        const auto named = [id](const ServerEntry& server) { return server.id == id; };
        if (std::none_of(config.directory.begin(), config.directory.end(), named) &&
            std::none_of(config.servers.begin(), config.servers.end(), named)) {
            error = where + ".servers names server " + std::to_string(id) +
                    ", which the configuration does not watch";
            return false;
        }
    }
    return true;
}

} // namespace

bool ReadHistory(TomlReader& root, const std::filesystem::path& base, Config& config,
                 std::string& error) {
    bool ok = true;
    const toml::table* table = Section(root, "history", ok);
    if (table == nullptr) {
        return ok;
    }
    TomlReader reader(*table, "history", error);
    std::string file;
    std::int64_t keepDays = config.historyKeep.count() / 24;
    if (!reader.Text("file", file, 4096) || !reader.Int("keep_days", 3, 3650, keepDays) ||
        !reader.Finish()) {
        return false;
    }
    config.historyFile = file.empty() ? std::string() : (base / file).string();
    config.historyKeep = std::chrono::hours(keepDays * 24);
    return true;
}

bool ReadPage(TomlReader& root, Config& config, std::string& error) {
    bool ok = true;
    const toml::table* table = Section(root, "page", ok);
    if (table == nullptr) {
        return ok;
    }
    TomlReader reader(*table, "page", error);
    if (!reader.Text("title", config.pageTitle, 256) ||
        !reader.Text("frame_ancestors", config.pageFrameAncestors, 1024) || !reader.Finish()) {
        return false;
    }
    // Sources only ("https://clan.example", "'self'"): nothing that could end the policy's
    // directive and start another.
    const bool sources =
        std::all_of(config.pageFrameAncestors.begin(), config.pageFrameAncestors.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
                   std::string_view(" :/.*-_'").find(c) != std::string_view::npos;
        });
    return sources || reader.Fail("frame_ancestors", "must be CSP sources, such as "
                                                     "\"https://clan.example 'self'\"");
}

bool ReadNotify(TomlReader& root, Config& config, std::string& error) {
    std::vector<const toml::table*> tables;
    if (!root.Tables("notify", kMaxWebhooks, tables)) {
        return false;
    }
    config.notify.clear();
    for (std::size_t i = 0; i < tables.size(); ++i) {
        WebhookEntry entry;
        if (!ReadWebhook(*tables[i], "notify[" + std::to_string(i) + "]", entry, error)) {
            return false;
        }
        config.notify.push_back(std::move(entry));
    }
    return true;
}

bool ValidateOutputs(const Config& config, std::string& error) {
    for (std::size_t i = 0; i < config.notify.size(); ++i) {
        if (!NamesWatched(config, config.notify[i].servers, "notify[" + std::to_string(i) + "]",
                          error)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < config.quiet.size(); ++i) {
        if (!NamesWatched(config, config.quiet[i].servers, "quiet[" + std::to_string(i) + "]",
                          error)) {
            return false;
        }
    }
    return true;
}

} // namespace lindrel::stats
