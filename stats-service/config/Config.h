#pragma once

#include "base/Version.h"
#include "config/Limits.h"
#include "config/Net.h"
#include "config/QuietHours.h"
#include "notify/Webhook.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The service's configuration: built-in defaults, overridden by a TOML file
// (config/ConfigFile.h). Errors are values: the readers return empty or false with a
// message that names the file and the key.
namespace lindrel::stats {

struct GameTypeEntry {
    int uid = 0;
    std::string name;
    std::string mod;
    std::string rcon;
    std::string password;
    std::string protocol = "q3"; // how its servers are queried: a QueryDriver's name
};

struct ServerEntry {
    int id = 0;
    std::string name;
    int gameType = 10;
    std::string address; // IPv4 or IPv6 literal, or a DNS name
    std::uint16_t port = 27960;
    std::uint16_t queryPort = 0; // 0: the protocol's default for the game port
};

struct UpdateOffer {
    std::string version = kVersion;
    std::string ftpServer;
    std::string ftpUser;
    std::string ftpPassword;
    int ftpPort = 21;
    std::vector<std::pair<std::string, std::string>> files; // folder, file name
};

struct Config {
    std::string listenAddress = "127.0.0.1";
    std::uint16_t listenPort = 27950;
    std::vector<HostPort> alsoListen; // further listen addresses, such as an IPv6 one
    PollTimings poll;
    FrontEndLimits frontEnd;
    std::string stateFile; // registered servers; empty keeps them in memory only
    std::chrono::seconds resolveInterval{300}; // DNS names are looked up again this often

    std::vector<ServerEntry> directory; // exactly five
    std::vector<ServerEntry> servers;   // watched as well, not in the directory
    std::vector<GameTypeEntry> gameTypes;
    UpdateOffer update;

    LookupLimits lookups;

    // What the service tells beyond the monitor's queries: its history file (none when
    // empty; the page then shows what it has seen since it started), the status page's
    // title and the webhooks.
    std::string historyFile;
    std::chrono::hours historyKeep{24 * 90};
    std::string pageTitle = "Game servers";
    std::string pageFrameAncestors; // who may frame the page (CSP sources); empty: anyone
    std::vector<WebhookEntry> notify;
    std::vector<QuietWindow> quiet; // when servers are in maintenance: no events about them
};

// The built-in configuration: the five demo servers on 127.0.0.1 to 127.0.0.5, the two
// shipped game types, an update offer of the program's own version.
Config DefaultConfig();

} // namespace lindrel::stats
