#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lindrel::stats {

struct GameTypeEntry {
    int uid = 0;
    std::string name;
    std::string mod;
    std::string rcon;
    std::string password;
};

struct ServerEntry {
    int id = 0;
    std::string name;
    int gameType = 10;
    std::string address; // IPv4 literal
    std::uint16_t port = 27960;
};

struct UpdateOffer {
    std::string version = "3.25.2003";
    std::string ftpServer;
    std::string ftpUser;
    std::string ftpPassword;
    int ftpPort = 21;
    std::vector<std::pair<std::string, std::string>> files; // folder, file name
};

// An IPv4 network, such as 127.0.0.0/8.
struct Ipv4Network {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
    bool Contains(std::uint32_t other) const { return (other & mask) == address; }
};

struct Config {
    std::string listenAddress = "127.0.0.1";
    std::uint16_t listenPort = 27950;
    std::chrono::milliseconds refreshInterval{10'000};
    std::chrono::milliseconds queryTimeout{1'000};
    int downAfterMisses = 2;
    std::string stateFile; // registered servers; empty keeps them in memory only

    std::vector<ServerEntry> directory; // exactly five
    std::vector<ServerEntry> servers;   // watched as well, not in the directory
    std::vector<GameTypeEntry> gameTypes;
    UpdateOffer update;

    std::vector<Ipv4Network> lookupAllow{{0x7f000000u, 0xff000000u}};
    int lookupsPerMinute = 10;
    std::size_t maxRegistered = 1000;
};

// The built-in configuration: the five demo servers on 127.0.0.1 to 127.0.0.5, the two
// shipped game types, an update offer of the program's own version.
Config DefaultConfig();

// Reads a TOML configuration over the defaults. On failure returns empty and sets error.
std::optional<Config> LoadConfig(const std::string& path, std::string& error);

// Parses "a.b.c.d" or "a.b.c.d/bits".
std::optional<Ipv4Network> ParseNetwork(std::string_view text);
std::optional<std::uint32_t> ParseIpv4(std::string_view text);

} // namespace lindrel::stats
