#include "Config.h"

#include "core/Text.h"

#include <arpa/inet.h>
#include <filesystem>
#include <set>
#include <toml++/toml.h>

namespace lindrel::stats {

namespace {

constexpr std::size_t kDirectorySlots = 5;

bool HasLineBreakOr(std::string_view text, char separator) {
    return text.find_first_of(std::string("\r\n") + separator) != std::string_view::npos;
}

// Texts of the game-type and update replies go out unencoded, so they may not hold the
// reply's separators.
bool CheckPlain(const std::string& text, char separator, const std::string& what,
                std::string& error) {
    if (HasLineBreakOr(text, separator)) {
        error = what + " may not contain a line break or '" + std::string(1, separator) + "'";
        return false;
    }
    return true;
}

std::optional<ServerEntry> ReadServer(const toml::table& table, const std::string& what,
                                      std::string& error) {
    ServerEntry entry;
    const auto id = table["id"].value<int64_t>();
    const auto address = table["address"].value<std::string>();
    if (!id || *id <= 0 || *id > INT32_MAX || !address || !ParseIpv4(*address)) {
        error = what + " needs an id above 0 and an IPv4 address";
        return std::nullopt;
    }
    entry.id = static_cast<int>(*id);
    entry.address = *address;
    entry.name = table["name"].value_or(std::string());
    entry.gameType = static_cast<int>(table["game_type"].value_or(int64_t{10}));
    const auto port = table["port"].value_or(int64_t{27960});
    if (port <= 0 || port > 65535) {
        error = what + " has a port outside 1 to 65535";
        return std::nullopt;
    }
    entry.port = static_cast<std::uint16_t>(port);
    return entry;
}

bool ReadServers(const toml::table& root, const char* key, std::vector<ServerEntry>& into,
                 std::string& error) {
    const toml::array* list = root[key].as_array();
    if (list == nullptr) {
        return true;
    }
    into.clear();
    for (const auto& node : *list) {
        const toml::table* table = node.as_table();
        if (table == nullptr) {
            error = std::string(key) + " entries must be tables";
            return false;
        }
        auto entry = ReadServer(*table, std::string(key) + " entry", error);
        if (!entry) {
            return false;
        }
        into.push_back(std::move(*entry));
    }
    return true;
}

bool ReadGameTypes(const toml::table& root, Config& config, std::string& error) {
    const toml::array* list = root["game_types"].as_array();
    if (list == nullptr) {
        return true;
    }
    config.gameTypes.clear();
    for (const auto& node : *list) {
        const toml::table* table = node.as_table();
        if (table == nullptr || !(*table)["uid"].value<int64_t>()) {
            error = "game_types entries need a uid";
            return false;
        }
        GameTypeEntry type;
        type.uid = static_cast<int>((*table)["uid"].value_or(int64_t{0}));
        type.name = (*table)["name"].value_or(std::string());
        type.mod = (*table)["mod"].value_or(std::string());
        type.rcon = (*table)["rcon"].value_or(std::string());
        type.password = (*table)["password"].value_or(std::string());
        for (const std::string* text : {&type.name, &type.mod, &type.rcon, &type.password}) {
            if (!CheckPlain(*text, ',', "a game type text", error)) {
                return false;
            }
        }
        config.gameTypes.push_back(std::move(type));
    }
    return true;
}

bool ReadUpdate(const toml::table& root, Config& config, std::string& error) {
    const toml::table* table = root["update"].as_table();
    if (table == nullptr) {
        return true;
    }
    UpdateOffer& offer = config.update;
    offer.version = (*table)["version"].value_or(offer.version);
    offer.ftpServer = (*table)["ftp_server"].value_or(std::string());
    offer.ftpUser = (*table)["ftp_user"].value_or(std::string());
    offer.ftpPassword = (*table)["ftp_password"].value_or(std::string());
    offer.ftpPort = static_cast<int>((*table)["ftp_port"].value_or(int64_t{21}));
    if (!CheckPlain(offer.version, '\n', "the update version", error)) {
        return false;
    }
    for (const std::string* text : {&offer.ftpServer, &offer.ftpUser, &offer.ftpPassword}) {
        if (!CheckPlain(*text, ',', "an FTP account text", error)) {
            return false;
        }
    }
    offer.files.clear();
    if (const toml::array* files = (*table)["files"].as_array()) {
        for (const auto& node : *files) {
            const toml::array* pair = node.as_array();
            if (pair == nullptr || pair->size() != 2 || !(*pair)[0].is_string() ||
                !(*pair)[1].is_string()) {
                error = "update.files entries are [\"folder\", \"file\"] pairs";
                return false;
            }
            std::string folder = (*pair)[0].value_or(std::string());
            std::string file = (*pair)[1].value_or(std::string());
            if (!CheckPlain(folder, ',', "an update folder", error) ||
                !CheckPlain(file, ',', "an update file name", error)) {
                return false;
            }
            offer.files.emplace_back(std::move(folder), std::move(file));
        }
    }
    return true;
}

bool ReadService(const toml::table& root, const std::filesystem::path& base, Config& config,
                 std::string& error) {
    const toml::table* table = root["service"].as_table();
    if (table == nullptr) {
        return true;
    }
    if (const auto listen = (*table)["listen"].value<std::string>()) {
        const auto colon = listen->rfind(':');
        const auto port = colon == std::string::npos
                              ? std::nullopt
                              : ParseInt32(std::string_view(*listen).substr(colon + 1));
        if (!port || *port <= 0 || *port > 65535 || !ParseIpv4(listen->substr(0, colon))) {
            error = "service.listen must be IPv4-ADDRESS:PORT";
            return false;
        }
        config.listenAddress = listen->substr(0, colon);
        config.listenPort = static_cast<std::uint16_t>(*port);
    }
    config.refreshInterval = std::chrono::milliseconds(
        (*table)["refresh_ms"].value_or(int64_t{config.refreshInterval.count()}));
    config.queryTimeout = std::chrono::milliseconds(
        (*table)["query_timeout_ms"].value_or(int64_t{config.queryTimeout.count()}));
    config.downAfterMisses =
        static_cast<int>((*table)["down_after_misses"].value_or(int64_t{config.downAfterMisses}));
    if (config.refreshInterval.count() < 10 || config.queryTimeout.count() < 1 ||
        config.downAfterMisses < 1) {
        error = "service timings must be positive (refresh_ms at least 10)";
        return false;
    }
    if (const auto state = (*table)["state_file"].value<std::string>(); state && !state->empty()) {
        config.stateFile = (base / *state).string();
    }
    return true;
}

bool ReadLookup(const toml::table& root, Config& config, std::string& error) {
    const toml::table* table = root["lookup"].as_table();
    if (table == nullptr) {
        return true;
    }
    if (const toml::array* allow = (*table)["allow"].as_array()) {
        config.lookupAllow.clear();
        for (const auto& node : *allow) {
            const auto network = ParseNetwork(node.value_or(std::string()));
            if (!network) {
                error = "lookup.allow holds networks such as \"127.0.0.0/8\"";
                return false;
            }
            config.lookupAllow.push_back(*network);
        }
    }
    config.lookupsPerMinute =
        static_cast<int>((*table)["per_minute"].value_or(int64_t{config.lookupsPerMinute}));
    config.maxRegistered = static_cast<std::size_t>(
        std::max<int64_t>(0, (*table)["max_registered"].value_or(int64_t{1000})));
    return true;
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

ServerEntry DemoServer(int id, const char* name, int lastOctet) {
    return {id, name, 10, "127.0.0." + std::to_string(lastOctet), 27960};
}

} // namespace

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    in_addr address{};
    if (::inet_pton(AF_INET, std::string(text).c_str(), &address) != 1) {
        return std::nullopt;
    }
    return ntohl(address.s_addr);
}

std::optional<Ipv4Network> ParseNetwork(std::string_view text) {
    const auto slash = text.find('/');
    const auto address = ParseIpv4(text.substr(0, slash));
    const auto bits = slash == std::string_view::npos ? std::optional<int>(32)
                                                      : ParseInt32(text.substr(slash + 1));
    if (!address || !bits || *bits < 0 || *bits > 32) {
        return std::nullopt;
    }
    const std::uint32_t mask = *bits == 0 ? 0u : ~std::uint32_t{0} << (32 - *bits);
    return Ipv4Network{*address & mask, mask};
}

Config DefaultConfig() {
    Config config;
    config.directory = {DemoServer(7, "Quorvane Other", 1), DemoServer(4, "Quorvane TS", 2),
                        DemoServer(8, "Quorvane CTF", 3), DemoServer(6, "Quorvane Duel", 4),
                        DemoServer(9, "Quorvane Public", 5)};
    config.gameTypes = {{10, "Quake III Arena", "", "+set rconpassword", "+set password"},
                        {11, "OpenArena", "", "+set rconpassword", "+set password"}};
    return config;
}

std::optional<Config> LoadConfig(const std::string& path, std::string& error) {
    Config config = DefaultConfig();
    toml::table root;
    try {
        root = toml::parse_file(path);
    } catch (const toml::parse_error& failure) {
        error = path + ": " + std::string(failure.description());
        return std::nullopt;
    }
    const auto base = std::filesystem::path(path).parent_path();
    if (!ReadService(root, base, config, error) ||
        !ReadServers(root, "directory", config.directory, error) ||
        !ReadServers(root, "servers", config.servers, error) ||
        !ReadGameTypes(root, config, error) || !ReadUpdate(root, config, error) ||
        !ReadLookup(root, config, error) || !Validate(config, error)) {
        error = path + ": " + error;
        return std::nullopt;
    }
    return config;
}

} // namespace lindrel::stats
