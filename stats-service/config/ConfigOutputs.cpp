#include "config/ConfigOutputs.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxWebhooks = 16;
constexpr std::size_t kMaxWantedPerWebhook = 32;
constexpr std::size_t kMaxWantedBytes = 64;
constexpr std::size_t kMaxWebhookServers = 10'000;
constexpr std::size_t kMaxWebhookNameBytes = 64;
constexpr int kMaxMinPlayers = 10'000;

const toml::table* Section(TomlReader& root, const char* key, bool& ok) {
    ok = true;
    const toml::node* node = root.Node(key);
    if (node != nullptr && !node->is_table()) {
        ok = root.Fail(key, "must be a table");
    }
    return node == nullptr ? nullptr : node->as_table();
}

// A list of at most limit texts; false when the key holds anything else.
bool TextList(TomlReader& reader, std::string_view key, std::size_t limit, std::size_t maxBytes,
              std::vector<std::string>& into) {
    const toml::node* node = reader.Node(key);
    if (node == nullptr) {
        return true;
    }
    const toml::array* list = node->as_array();
    const std::string shape = "must be a list of at most " + std::to_string(limit) + " texts";
    if (list == nullptr || list->size() > limit) {
        return reader.Fail(key, shape);
    }
    into.clear();
    for (const auto& item : *list) {
        const auto text = item.value_exact<std::string>();
        if (!text || !CheckText(*text, maxBytes, {})) {
            return reader.Fail(key, shape + " of up to " + std::to_string(maxBytes) +
                                        " bytes without NUL or a line break");
        }
        into.push_back(*text);
    }
    return true;
}

bool ReadEvents(TomlReader& reader, WebhookEntry& entry) {
    std::vector<std::string> names{"down", "back", "player"};
    if (!TextList(reader, "events", 4, 16, names)) {
        return false;
    }
    entry.down = entry.back = entry.player = entry.atLeast = false;
    for (const auto& name : names) {
        const auto kind = ParseEventName(name);
        if (!kind) {
            return reader.Fail("events", "holds \"down\", \"back\", \"player\" and "
                                         "\"players_at_least\" only");
        }
        (*kind == EventKind::Down           ? entry.down
         : *kind == EventKind::Back         ? entry.back
         : *kind == EventKind::PlayerJoined ? entry.player
                                            : entry.atLeast) = true;
    }
    if (entry.atLeast != reader.Has("min_players")) {
        return reader.Fail("min_players", "goes with the event \"players_at_least\", and it "
                                          "with min_players");
    }
    return !entry.atLeast || reader.Number("min_players", 1, kMaxMinPlayers, entry.minPlayers);
}

bool ReadWanted(TomlReader& reader, WebhookEntry& entry) {
    std::vector<std::string> names;
    if (!TextList(reader, "players", kMaxWantedPerWebhook, kMaxWantedBytes, names)) {
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

bool ReadServerIds(TomlReader& reader, WebhookEntry& entry) {
    const toml::node* node = reader.Node("servers");
    if (node == nullptr) {
        return true;
    }
    const toml::array* list = node->as_array();
    if (list == nullptr || list->size() > kMaxWebhookServers) {
        return reader.Fail("servers", "must be a list of server ids");
    }
    for (const auto& item : *list) {
        const auto id = item.value_exact<std::int64_t>();
        if (!id || *id < 1 || *id > INT_MAX) {
            return reader.Fail("servers", "must be a list of server ids");
        }
        entry.servers.push_back(static_cast<int>(*id));
    }
    return true;
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
        !ReadEvents(reader, entry) || !ReadWanted(reader, entry) || !ReadServerIds(reader, entry) ||
        !reader.Int("timeout_ms", 100, 60'000, timeout) ||
        !reader.Number("retries", 0, 10, entry.retries) ||
        !reader.Int("backoff_ms", 10, 600'000, backoff) ||
        !reader.Number("per_minute", 1, 600, entry.perMinute) ||
        !reader.Text("name", label, kMaxWebhookNameBytes) || !reader.Finish()) {
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
    entry.at = *at;
    // Logs and figures name it so, never by its URL: the path holds the webhook's secret.
    entry.label = (label.empty() ? name : "\"" + label + "\"") + " at " + at->host;
    entry.format = *shape;
    entry.timeout = std::chrono::milliseconds(timeout);
    entry.backoff = std::chrono::milliseconds(backoff);
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
    const toml::node* node = root.Node("notify");
    if (node == nullptr) {
        return true;
    }
    const toml::array* list = node->as_array();
    if (list == nullptr || list->size() > kMaxWebhooks) {
        return root.Fail("notify", "must be at most 16 [[notify]] tables");
    }
    config.notify.clear();
    for (std::size_t i = 0; i < list->size(); ++i) {
        const std::string name = "notify[" + std::to_string(i) + "]";
        const toml::table* table = list->get(i)->as_table();
        WebhookEntry entry;
        if (table == nullptr) {
            error = name + " must be a table";
            return false;
        }
        if (!ReadWebhook(*table, name, entry, error)) {
            return false;
        }
        config.notify.push_back(std::move(entry));
    }
    return true;
}

bool ValidateNotify(const Config& config, std::string& error) {
    for (std::size_t i = 0; i < config.notify.size(); ++i) {
        for (const int id : config.notify[i].servers) {
            const auto named = [id](const ServerEntry& server) { return server.id == id; };
            if (std::none_of(config.directory.begin(), config.directory.end(), named) &&
                std::none_of(config.servers.begin(), config.servers.end(), named)) {
                error = "notify[" + std::to_string(i) + "].servers names server " +
                        std::to_string(id) + ", which the configuration does not watch";
                return false;
            }
        }
    }
    return true;
}

} // namespace lindrel::stats
