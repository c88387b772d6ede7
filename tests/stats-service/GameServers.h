#pragma once

// Real game servers from Debian's packages, started on 127.0.0.1 for a test and killed
// with it, and quakestat (Debian's qstat), the reader the service must agree with. None
// of them registers with a master server or reaches beyond loopback.
#include "base/Json.h"
#include "base/Text.h"
#include "base/UrlCodec.h"
#include "faults/Processes.h"
#include "service/HttpFetch.h"
#include "support/TempDir.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace lindrel::stats::test {

// The first of `count` consecutive ports that are free for both UDP and TCP on 127.0.0.1
// (some servers take their neighbours too); 0 when none was found in 50 tries.
inline int FreeLoopbackPorts(int count) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> base(20'000, 60'000);
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int first = base(random);
        bool free = true;
        for (int port = first; port < first + count && free; ++port) {
            for (const int type : {SOCK_DGRAM, SOCK_STREAM}) {
                const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
                sockaddr_in at{};
                at.sin_family = AF_INET;
                at.sin_port = htons(static_cast<std::uint16_t>(port));
                ::inet_pton(AF_INET, "127.0.0.1", &at.sin_addr);
                free =
                    free && fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
                if (fd >= 0) {
                    ::close(fd);
                }
            }
        }
        if (free) {
            return first;
        }
    }
    return 0;
}

using Process = std::unique_ptr<lindrel::test::ChildProcess>;

// Each server lives in its own folder: its home, its working folder (where DDNet writes
// its files) and its log.
inline Process Start(const std::vector<std::string>& argv, const lindrel::test::TempDir& dir,
                     const std::string& log) {
    return std::make_unique<lindrel::test::ChildProcess>(
        argv, std::vector<std::string>{"HOME=" + dir.str()}, (dir / log).string(), dir.str());
}

// OpenArena (ioquake3) with two bots on the map oa_dm1, LAN only.
inline Process StartOpenArena(const lindrel::test::TempDir& dir, int port,
                              const std::string& hostname) {
    std::vector<std::string> args = {"/usr/lib/ioquake3/ioq3ded",
                                     "+set",
                                     "com_basegame",
                                     "baseoa",
                                     "+set",
                                     "fs_basepath",
                                     "/usr/lib/openarena-server",
                                     "+set",
                                     "fs_homepath",
                                     (dir / "oa-home").string(),
                                     "+set",
                                     "com_homepath",
                                     ".openarena",
                                     "+set",
                                     "com_legacyprotocol",
                                     "71",
                                     "+set",
                                     "com_protocol",
                                     "71",
                                     "+set",
                                     "dedicated",
                                     "1",
                                     "+set",
                                     "net_enabled",
                                     "1",
                                     "+set",
                                     "net_ip",
                                     "127.0.0.1",
                                     "+set",
                                     "net_port",
                                     std::to_string(port),
                                     "+set",
                                     "sv_maxclients",
                                     "12",
                                     "+set",
                                     "sv_hostname",
                                     hostname,
                                     "+set",
                                     "bot_enable",
                                     "1"};
    for (int master = 1; master <= 5; ++master) {
        args.insert(args.end(), {"+set", "sv_master" + std::to_string(master), ""});
    }
    args.insert(args.end(),
                {"+map", "oa_dm1", "+addbot", "Grism", "1", "+addbot", "Angelyss", "1"});
    return Start(args, dir, "oa.log");
}

// Sauerbraten: the game on port, queries on port + 1; no master server.
inline Process StartCube2(const lindrel::test::TempDir& dir, int port, const std::string& name) {
    return Start({"/usr/lib/cube2/cube2_server", "-q" + dir.str(), "-i127.0.0.1",
                  "-j" + std::to_string(port), "-m", "-n" + name},
                 dir, "cube2.log");
}

// DDNet on IPv4 loopback only, not registered anywhere.
inline Process StartDdnet(const lindrel::test::TempDir& dir, int port, const std::string& name) {
    return Start({"/usr/games/DDNet-Server", "sv_ipv4only 1; bindaddr 127.0.0.1; sv_port " +
                                                 std::to_string(port) + "; sv_name " + name +
                                                 "; sv_register 0"},
                 dir, "ddnet.log");
}

// An OpenTTD dedicated server on a 256 x 128 map, LAN only, with a configuration of its own.
inline Process StartOpenttd(const lindrel::test::TempDir& dir, int port, const std::string& name) {
    const std::string config = (dir / "openttd.cfg").string();
    lindrel::test::WriteFile(config, "[network]\nserver_name = " + name +
                                         "\nserver_advertise = false\nserver_game_type = local\n"
                                         "[game_creation]\nmap_x = 8\nmap_y = 7\n");
    return Start(
        {"/usr/games/openttd", "-D", "127.0.0.1:" + std::to_string(port), "-c", config, "-x", "-Q"},
        dir, "openttd.log");
}

// Teeworlds 0.7 (Debian's teeworlds-server) on loopback, 12 clients, not registered.
inline Process StartTeeworlds(const lindrel::test::TempDir& dir, int port,
                              const std::string& name) {
    return Start({"/usr/games/teeworlds-server", "sv_bindaddr 127.0.0.1; sv_port " +
                                                     std::to_string(port) + "; sv_name " + name +
                                                     "; sv_register 0; sv_max_clients 12; "
                                                     "sv_map dm1"},
                 dir, "teeworlds.log");
}

// A Mumble server with its database in the test's folder, not registered; as root it stays
// root (it would switch to its own user, who cannot write the folder).
inline Process StartMumble(const lindrel::test::TempDir& dir, int port, int users) {
    const std::string ini = (dir / "mumble.ini").string();
    lindrel::test::WriteFile(ini, "database=" + (dir / "mumble.sqlite").string() +
                                      "\nhost=127.0.0.1\nport=" + std::to_string(port) +
                                      "\nusers=" + std::to_string(users) +
                                      "\nbonjour=false\nregisterName=\n" +
                                      (::geteuid() == 0 ? "uname=root\n" : ""));
    return Start({"/usr/sbin/murmurd", "-ini", ini, "-fg"}, dir, "mumble.log");
}

// A peer from tests/peers (Node.js programs of npm packages), with its arguments.
// Whether the npm peers (tests/peers) are installed; a test that needs them says how to
// install them instead of waiting for servers that cannot start.
inline bool PeersInstalled() {
    return std::filesystem::exists(std::string(LINDREL_TEST_PEERS) +
                                   "/node_modules/minecraft-protocol/package.json") &&
           std::filesystem::exists(std::string(LINDREL_TEST_PEERS) +
                                   "/node_modules/bedrock-protocol/package.json");
}
inline constexpr const char* kInstallPeers =
    "the npm peers are not installed: run scripts/install-deps.sh --peers";

inline Process StartPeer(const std::string& script, std::vector<std::string> args,
                         const lindrel::test::TempDir& dir) {
    args.insert(args.begin(), {"/usr/bin/node", std::string(LINDREL_TEST_PEERS) + "/" + script});
    return Start(args, dir, script + ".log");
}

// Red Eclipse 1.6 with 6 player and 2 spectator slots, not registered (its data comes
// with redeclipse-data, which scripts/test-games.sh installs).
inline Process StartRedEclipse(const lindrel::test::TempDir& dir, int port,
                               const std::string& name) {
    lindrel::test::WriteFile(dir / "servinit.cfg", "sv_serverclients 6\nsv_serverspectators 2\n"
                                                   "sv_serverdesc \"" +
                                                       name + "\"\n");
    return Start({"/usr/games/redeclipse-server", "-h" + dir.str(), "-ss1", "-si127.0.0.1",
                  "-sp" + std::to_string(port), "-ms0"},
                 dir, "redeclipse.log");
}

// Nexuiz (DarkPlaces) with 10 player slots on dieselpower, not public. DarkPlaces answers
// one address's status queries at most once in a while (its flood blocking); the service
// and the test's readers all ask from 127.0.0.1, so the blocking is off.
inline Process StartNexuiz(const lindrel::test::TempDir& dir, int port, const std::string& name) {
    return Start({"/usr/games/darkplaces-server",
                  "-nexuiz",
                  "-basedir",
                  "/usr/share/games/nexuiz",
                  "-userdir",
                  (dir / "nexuiz").string(),
                  "+set",
                  "net_address",
                  "127.0.0.1",
                  "+set",
                  "port",
                  std::to_string(port),
                  "+set",
                  "sv_public",
                  "0",
                  "+set",
                  "hostname",
                  name,
                  "+maxplayers",
                  "10",
                  "+map",
                  "dieselpower"},
                 dir, "nexuiz.log");
}

// What GameDig (npm) read of one server.
struct GameDigReading {
    bool up = false;
    std::string name;
    std::string map;
    int players = 0;
    int maxPlayers = 0;
    std::vector<std::string> names;
};

inline std::string CommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ::pclose(pipe);
    return output;
}

// Asks GameDig once (its own timeouts: two tries of a second); empty when it printed no
// reading.
inline std::optional<GameDigReading> GameDig(const std::string& type, int port) {
    const auto json = ParseJson(CommandOutput(
        "timeout 20 /usr/bin/node " + std::string(LINDREL_TEST_PEERS) + "/gamedig-read.js " + type +
        " 127.0.0.1 " + std::to_string(port) + " 2>/dev/null"));
    if (!json) {
        return std::nullopt;
    }
    GameDigReading reading;
    const JsonValue* up = json->Find("up");
    reading.up = up != nullptr && up->boolean;
    reading.name = json->TextOf("name");
    reading.map = json->TextOf("map");
    reading.players = json->IntOf("players", 0, 1'000'000, -1);
    reading.maxPlayers = json->IntOf("maxplayers", 0, 1'000'000, -1);
    if (const JsonValue* names = json->Find("names")) {
        for (const auto& name : names->items) {
            reading.names.push_back(name.text);
        }
    }
    return reading;
}

// The status lines of the servers a query names, once every one satisfies done or the
// limit passed.
template <typename Done>
std::vector<std::vector<std::string>>
StatusLines(const std::string& url, std::chrono::seconds limit, Done done, std::size_t count = 5) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<std::vector<std::string>> lines;
    while (std::chrono::steady_clock::now() < deadline) {
        lines.clear();
        const std::string reply = GetURL(url);
        for (const auto line : Split(reply, '\n')) {
            if (!line.empty()) {
                auto fields = Split(line, '|');
                lines.emplace_back(fields.begin(), fields.end());
            }
        }
        if (lines.size() == count && std::all_of(lines.begin(), lines.end(), done)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return lines;
}

inline std::string Decoded(const std::string& field) {
    return URLDecode(field).value_or("?");
}

// The refreshes the service has finished, from its metrics; -1 when it did not say.
inline int RefreshCount(const std::string& metricsUrl) {
    const std::string metrics = GetURL(metricsUrl);
    const std::string name = "lindrel_stats_refresh_duration_seconds_count ";
    const auto at = metrics.find(name);
    if (at == std::string::npos) {
        return -1;
    }
    const auto end = metrics.find('\n', at);
    return ParseInt32(std::string_view(metrics).substr(at + name.size(), end - at - name.size()))
        .value_or(-1);
}

// What quakestat read of one server: up with its facts, or down (no answer).
struct QstatReading {
    bool up = false;
    std::string name;
    std::string map;
    int maxPlayers = 0;
    int players = 0;
};

// Asks quakestat (-TYPE host:port) once, with its own timeout and retries.
inline std::optional<QstatReading> Quakestat(const std::string& type, const std::string& at) {
    const std::string output =
        CommandOutput("quakestat -timeout 2 -retry 2 -raw , -" + type + " " + at + " 2>/dev/null");
    const auto line = output.substr(0, output.find('\n'));
    const auto fields = lindrel::Split(line, ',');
    if (fields.size() < 3) {
        return std::nullopt;
    }
    QstatReading reading;
    if (fields.size() < 6) {
        return reading; // DOWN or TIMEOUT
    }
    reading.up = true;
    reading.name = std::string(fields[2]);
    reading.map = std::string(fields[3]);
    reading.maxPlayers = lindrel::ParseInt32(fields[4]).value_or(-1);
    reading.players = lindrel::ParseInt32(fields[5]).value_or(-1);
    return reading;
}

// Asks quakestat until it reads the server up, for at most `limit`: a server that has just
// started may answer while it still loads its map (DarkPlaces does), before it answers
// every query.
inline std::optional<QstatReading> QuakestatOnceUp(const std::string& type, const std::string& at,
                                                   std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto reading = Quakestat(type, at);
    while ((!reading || !reading->up) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        reading = Quakestat(type, at);
    }
    return reading;
}

} // namespace lindrel::stats::test
