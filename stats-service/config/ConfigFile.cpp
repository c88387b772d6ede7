#include "config/ConfigFile.h"

#include "config/ConfigOutputs.h"
#include "config/TomlReader.h"
#include "platform/Platform.h"
#include "protocols/QueryDriver.h"

#include <climits>
#include <filesystem>
#include <set>

namespace lindrel::stats {

namespace {

constexpr std::size_t kDirectorySlots = 5;
constexpr std::size_t kMaxConfigBytes = 1 << 20;
constexpr std::size_t kMaxServers = 10'000;
constexpr std::size_t kMaxGameTypes = 256;
constexpr std::size_t kMaxUpdateFiles = 64;
constexpr std::size_t kMaxNetworks = 256;
constexpr std::size_t kMaxListeners = 4;
constexpr std::size_t kMaxText = 256;

bool ReadServer(const toml::table& table, const std::string& name, ServerEntry& entry,
                std::string& error) {
    TomlReader reader(table, name, error);
    std::int64_t id = 0;
    if (!reader.Has("id") || !reader.Has("address")) {
        error = name + " needs an id and an address";
        return false;
    }
    if (!reader.Int("id", 1, INT_MAX, id) || !reader.Text("address", entry.address, 253) ||
        !reader.Text("name", entry.name, kMaxText) ||
        !reader.Number("game_type", 0, INT_MAX, entry.gameType) ||
        !reader.Number("port", 1, 65535, entry.port) ||
        !reader.Number("query_port", 1, 65535, entry.queryPort) || !reader.Finish()) {
        return false;
    }
    if (!IsValidHost(entry.address)) {
        return reader.Fail("address", "must be an IPv4 or IPv6 address or a host name");
    }
    entry.id = static_cast<int>(id);
    return true;
}

bool ReadServers(TomlReader& root, const char* key, std::size_t limit,
                 std::vector<ServerEntry>& into, std::string& error) {
    std::vector<const toml::table*> tables;
    if (!root.Tables(key, limit, tables)) {
        return false;
    }
    if (root.Has(key)) {
        into.clear();
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        ServerEntry entry;
        if (!ReadServer(*tables[i], std::string(key) + "[" + std::to_string(i) + "]", entry,
                        error)) {
            return false;
        }
        into.push_back(std::move(entry));
    }
    return true;
}

bool ReadGameTypes(TomlReader& root, Config& config, std::string& error) {
    std::vector<const toml::table*> tables;
    if (!root.Tables("game_types", kMaxGameTypes, tables)) {
        return false;
    }
    if (root.Has("game_types")) {
        config.gameTypes.clear();
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string name = "game_types[" + std::to_string(i) + "]";
        TomlReader reader(*tables[i], name, error);
        GameTypeEntry type;
        type.uid = -1;
        // The game-type reply is not encoded: its texts may not hold its separator.
        if (!reader.Number("uid", 0, INT_MAX, type.uid) ||
            !reader.Text("name", type.name, kMaxText, ",") ||
            !reader.Text("mod", type.mod, kMaxText, ",") ||
            !reader.Text("rcon", type.rcon, kMaxText, ",") ||
            !reader.Text("password", type.password, kMaxText, ",") ||
            !reader.Text("protocol", type.protocol, kMaxText) || !reader.Finish()) {
            return false;
        }
        if (type.uid < 0) {
            return reader.Fail("uid", "is needed");
        }
        if (FindDriver(type.protocol) == nullptr) {
            return reader.Fail("protocol", "must be one of " + DriverNames());
        }
        config.gameTypes.push_back(std::move(type));
    }
    return true;
}

bool ReadUpdateFiles(TomlReader& reader, UpdateOffer& offer) {
    const toml::node* node = reader.Node("files");
    if (node == nullptr) {
        return true;
    }
    const toml::array* files = node->as_array();
    if (files == nullptr || files->size() > kMaxUpdateFiles) {
        return reader.Fail("files", "must be a list of at most 64 [\"folder\", \"file\"] pairs");
    }
    offer.files.clear();
    for (const auto& entry : *files) {
        const toml::array* pair = entry.as_array();
        const auto folder =
            pair && pair->size() == 2 ? (*pair)[0].value_exact<std::string>() : std::nullopt;
        const auto file =
            pair && pair->size() == 2 ? (*pair)[1].value_exact<std::string>() : std::nullopt;
        if (!folder || !file || !CheckText(*folder, kMaxText, ",") ||
            !CheckText(*file, kMaxText, ",")) {
            return reader.Fail("files", "holds [\"folder\", \"file\"] pairs of texts without "
                                        "',', NUL or a line break");
        }
        offer.files.emplace_back(*folder, *file);
    }
    return true;
}

bool ReadUpdate(TomlReader& root, Config& config, std::string& error) {
    const toml::node* node = root.Node("update");
    if (node == nullptr) {
        return true;
    }
    if (!node->is_table()) {
        return root.Fail("update", "must be a table");
    }
    TomlReader reader(*node->as_table(), "update", error);
    UpdateOffer& offer = config.update;
    return reader.Text("version", offer.version, kMaxText) &&
           reader.Text("ftp_server", offer.ftpServer, kMaxText, ",") &&
           reader.Text("ftp_user", offer.ftpUser, kMaxText, ",") &&
           reader.Text("ftp_password", offer.ftpPassword, kMaxText, ",") &&
           reader.Number("ftp_port", 1, 65535, offer.ftpPort) && ReadUpdateFiles(reader, offer) &&
           reader.Finish();
}

bool ReadListen(TomlReader& reader, Config& config) {
    const toml::node* node = reader.Node("listen");
    if (node == nullptr) {
        return true;
    }
    std::vector<std::string> texts;
    if (const auto one = node->value_exact<std::string>()) {
        texts.push_back(*one);
    } else if (const toml::array* list = node->as_array();
               list != nullptr && !list->empty() && list->size() <= kMaxListeners) {
        for (const auto& item : *list) {
            texts.push_back(item.value_exact<std::string>().value_or(std::string()));
        }
    }
    std::vector<HostPort> listeners;
    for (const auto& text : texts) {
        const auto at = ParseListenAddress(text);
        if (!at) {
            break;
        }
        listeners.push_back(*at);
    }
    if (listeners.empty() || listeners.size() != texts.size()) {
        return reader.Fail("listen", "must be \"ADDRESS:PORT\" (an IPv6 address in brackets) "
                                     "or a list of up to four of them");
    }
    config.listenAddress = listeners.front().host;
    config.listenPort = listeners.front().port;
    config.alsoListen.assign(listeners.begin() + 1, listeners.end());
    return true;
}

bool ReadService(TomlReader& root, const std::filesystem::path& base, Config& config,
                 std::string& error) {
    const toml::node* node = root.Node("service");
    if (node == nullptr) {
        return true;
    }
    if (!node->is_table()) {
        return root.Fail("service", "must be a table");
    }
    TomlReader reader(*node->as_table(), "service", error);
    PollTimings& poll = config.poll;
    FrontEndLimits& frontEnd = config.frontEnd;
    std::string state;
    // The bounds keep every clock sum and every reply field far from overflowing.
    const bool ok = ReadListen(reader, config) &&
                    reader.Duration("refresh_ms", 10, 3'600'000, poll.refreshInterval) &&
                    reader.Duration("query_timeout_ms", 1, 60'000, poll.queryTimeout) &&
                    reader.Number("down_after_misses", 1, 1000, poll.downAfterMisses) &&
                    reader.Number("tcp_parallel", 1, 4096, poll.tcpParallel) &&
                    reader.Text("state_file", state, 4096) &&
                    reader.Duration("resolve_every_s", 10, 86'400, config.resolveInterval) &&
                    reader.Duration("drop_after_days", 1, 3650, poll.dropAfter) &&
                    reader.Number("max_connections", 1, 60'000, frontEnd.maxConnections) &&
                    reader.Number("max_connections_per_client", 1, 60'000, frontEnd.maxPerClient) &&
                    reader.Duration("head_timeout_ms", 100, 60'000, frontEnd.headTimeout) &&
                    reader.Duration("idle_timeout_ms", 100, 3'600'000, frontEnd.idleTimeout) &&
                    reader.Finish();
    if (!ok) {
        return false;
    }
    if (!state.empty()) {
        config.stateFile = (base / state).string();
    }
    return true;
}

bool ReadLookup(TomlReader& root, Config& config, std::string& error) {
    const toml::node* node = root.Node("lookup");
    if (node == nullptr) {
        return true;
    }
    if (!node->is_table()) {
        return root.Fail("lookup", "must be a table");
    }
    TomlReader reader(*node->as_table(), "lookup", error);
    if (const toml::node* allow = reader.Node("allow")) {
        const toml::array* list = allow->as_array();
        config.lookups.allow.clear();
        for (std::size_t i = 0; list != nullptr && i < list->size() && i < kMaxNetworks; ++i) {
            const auto network =
                ParseNetwork((*list)[i].value_exact<std::string>().value_or(std::string()));
            if (!network) {
                break;
            }
            config.lookups.allow.push_back(*network);
        }
        if (list == nullptr || list->size() > kMaxNetworks ||
            config.lookups.allow.size() != list->size()) {
            return reader.Fail("allow", "holds up to 256 networks such as \"127.0.0.0/8\" or "
                                        "\"::1/128\"");
        }
    }
    LookupLimits& lookups = config.lookups;
    return reader.Number("per_minute", 0, 100'000, lookups.perMinute) &&
           reader.Number("per_client_per_minute", 0, 100'000, lookups.perClientPerMinute) &&
           reader.Number("max_registered", 0, 100'000, lookups.maxRegistered) && reader.Finish();
}

bool Validate(const Config& config, std::string& error) {
    if (config.directory.size() != kDirectorySlots) {
        error = "the directory needs exactly five servers";
        return false;
    }
    std::set<int> ids;
    std::set<std::pair<std::string, int>> endpoints;
    for (const auto* list : {&config.directory, &config.servers}) {
        for (const auto& server : *list) {
            if (!ids.insert(server.id).second ||
                !endpoints.insert({server.address, server.port}).second) {
                error = "server " + std::to_string(server.id) + " repeats an id or an address";
                return false;
            }
        }
    }
    return true;
}

} // namespace

std::optional<HostPort> ParseListenAddress(std::string_view text) {
    auto at = SplitHostPort(text, true);
    if (!at || !ParseAddress(at->host)) {
        return std::nullopt;
    }
    return at;
}

std::optional<Config> LoadConfig(const std::string& path, std::string& error) {
    const auto content = platform::ReadRegularFile(path, kMaxConfigBytes, error);
    if (!content) {
        if (error.empty()) {
            error = path + ": no such file";
        }
        return std::nullopt;
    }
    return ParseConfig(*content, path, error);
}

std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error) {
    Config config = DefaultConfig();
    toml::table root;
    try {
        root = toml::parse(text, path);
    } catch (const toml::parse_error& failure) {
        error = path + ":" + std::to_string(failure.source().begin.line) + ": " +
                std::string(failure.description());
        return std::nullopt;
    }
    const auto base = std::filesystem::path(path).parent_path();
    TomlReader reader(root, "", error);
    if (!ReadService(reader, base, config, error) ||
        !ReadServers(reader, "directory", kDirectorySlots, config.directory, error) ||
        !ReadServers(reader, "servers", kMaxServers, config.servers, error) ||
        !ReadGameTypes(reader, config, error) || !ReadUpdate(reader, config, error) ||
        !ReadLookup(reader, config, error) || !ReadHistory(reader, base, config, error) ||
        !ReadPage(reader, config, error) || !ReadNotify(reader, config, error) ||
        !ReadQuiet(reader, config, error) || !reader.Finish() || !Validate(config, error) ||
        !ValidateOutputs(config, error)) {
        error = path + ": " + error;
        return std::nullopt;
    }
    return config;
}

} // namespace lindrel::stats
