// One real server of each family the service speaks, watched by the service program:
// OpenArena (q3), Sauerbraten (cube2), DDNet (teeworlds) and OpenTTD from Debian, and
// the A2S demo responder, which demands its challenge, splits its player list and has
// forged packets sent from beside it. What the service reports must agree with what
// quakestat reads of the same servers, up and then down, and must reach the monitor's rows.
#include "GameServers.h"
#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "service/HttpFetch.h"
#include "service/StatusPoll.h"
#include "support/RecordingSink.h"

#include <gtest/gtest.h>
#include <thread>

namespace lindrel::stats {
namespace {

using test::Decoded;
using test::StatusLines;

struct Family {
    std::string protocol;
    int port = 0;          // the game port
    std::string qstatType; // empty where qstat cannot read it (OpenTTD's TCP query)
    std::string name;      // the name the server gives itself, colour codes removed
};

TEST(GameFamilies, EachIsWatchedAgreesWithQstatAndReachesTheMonitorsRows) {
    lindrel::test::TempDir dir;
    std::vector<Family> families = {
        {"q3", test::FreeLoopbackPorts(1), "q3s", "Lindrel Arena"},
        {"cube2", test::FreeLoopbackPorts(2), "cubes", "Lindrel Cube"},
        {"teeworlds", test::FreeLoopbackPorts(1), "tees", "Lindrel DDNet [0/64]"},
        {"openttd", test::FreeLoopbackPorts(1), "", "Lindrel OpenTTD"},
        {"a2s", test::FreeLoopbackPorts(1), "a2s", "Quorvane Other"},
    };
    const int http = test::FreeLoopbackPorts(1);
    for (const auto& family : families) {
        ASSERT_NE(family.port, 0) << family.protocol;
    }
    std::vector<test::Process> servers;
    servers.push_back(test::StartOpenArena(dir, families[0].port, "^3Lindrel ^7Arena"));
    servers.push_back(test::StartCube2(dir, families[1].port, "Lindrel Cube"));
    servers.push_back(test::StartDdnet(dir, families[2].port, "Lindrel DDNet"));
    servers.push_back(test::StartOpenttd(dir, families[3].port, "Lindrel OpenTTD"));
    servers.push_back(test::Start({LINDREL_DEMO_SERVERS_PROGRAM, "--count", "1", "--port",
                                   std::to_string(families[4].port), "--protocols", "a2s",
                                   "--players", "40", "--split", "300", "--strays", "1"},
                                  dir, "a2s.log"));

    std::string config = "[service]\nlisten = \"127.0.0.1:" + std::to_string(http) +
                         "\"\nrefresh_ms = 500\nquery_timeout_ms = 300\n";
    for (std::size_t i = 0; i < families.size(); ++i) {
        const auto id = std::to_string(i + 1);
        const auto type = std::to_string(50 + i);
        const std::string& protocol = families[i].protocol;
        config += "[[game_types]]\nuid = " + type;
        config += "\nname = \"" + protocol;
        config += "\"\nprotocol = \"" + protocol;
        config += "\"\n[[directory]]\nid = " + id;
        config += "\nname = \"Slot " + id;
        config += "\"\ngame_type = " + type;
        config += "\naddress = \"127.0.0.1\"\nport = " + std::to_string(families[i].port);
        config += "\n";
    }
    lindrel::test::WriteFile(dir / "stats.toml", config);
    lindrel::test::ChildProcess service(
        {LINDREL_STATS_PROGRAM, "--config", (dir / "stats.toml").string()}, {},
        (dir / "stats.log").string());
    const std::string url = "http://127.0.0.1:" + std::to_string(http) + "/?d=1,2,3,4,5&t=0&s=";

    // Up, with OpenArena's two bots in and the A2S list whole.
    const auto up = StatusLines(url, std::chrono::seconds(90), [](const auto& fields) {
        return fields.size() == 10 && fields[2] != "DOWN" &&
               (fields[0] != "1" || fields[3] == "2%2F12") &&
               (fields[0] != "5" || fields[3] == "40%2F40");
    });
    ASSERT_EQ(up.size(), 5u) << lindrel::test::ReadFile(dir / "stats.log");
    for (std::size_t i = 0; i < families.size(); ++i) {
        const Family& family = families[i];
        const auto& fields = up[i];
        ASSERT_EQ(fields.size(), 10u) << family.protocol;
        ASSERT_NE(fields[2], "DOWN") << family.protocol;
        EXPECT_EQ(Decoded(fields[1]), family.name) << family.protocol;
        EXPECT_TRUE(ParseInt32(fields[4]).has_value()) << family.protocol << " ping";
        if (family.qstatType.empty()) {
            EXPECT_EQ(Decoded(fields[2]), "256x128");
            EXPECT_EQ(Decoded(fields[3]), "0/25");
            continue;
        }
        const auto qstat =
            test::Quakestat(family.qstatType, "127.0.0.1:" + std::to_string(family.port));
        ASSERT_TRUE(qstat && qstat->up) << family.protocol;
        EXPECT_EQ(Decoded(fields[1]), qstat->name) << family.protocol;
        EXPECT_EQ(Decoded(fields[2]), qstat->map) << family.protocol;
        EXPECT_EQ(Decoded(fields[3]),
                  std::to_string(qstat->players) + "/" + std::to_string(qstat->maxPlayers))
            << family.protocol;
    }

    // The monitor's rows, through its own poll.
    lindrel::test::TempDir monitorDir;
    AppState state(monitorDir.str());
    state.StatsBaseURL = "http://127.0.0.1:" + std::to_string(http) + "/?";
    for (int slot = 0; slot < 5; ++slot) {
        state.ServerData(slot, StatsID) = std::to_string(slot + 1);
    }
    lindrel::test::RecordingSink sink;
    PullStats(state, sink);
    for (int slot = 0; slot < 5; ++slot) {
        const auto& row = state.ServerStatus[static_cast<std::size_t>(slot)];
        const auto& family = families[static_cast<std::size_t>(slot)];
        EXPECT_EQ(row.ReportedName, family.name) << family.protocol;
        EXPECT_NE(row.MapName, "DOWN") << family.protocol;
        EXPECT_FALSE(row.Players.empty()) << family.protocol;
        EXPECT_TRUE(ParseInt32(row.Ping).has_value()) << family.protocol << ": " << row.Ping;
    }
    const std::string players = GetURL(state.StatsBaseURL + "p2=5&s=");
    EXPECT_NE(players.find("\nPlayers:40\n"), std::string::npos) << players;

    // Down: the service after its two missed refreshes, quakestat at once.
    for (auto& server : servers) {
        server->Kill();
    }
    const auto down = StatusLines(url, std::chrono::seconds(20), [](const auto& fields) {
        return fields.size() == 10 && fields[2] == "DOWN";
    });
    ASSERT_EQ(down.size(), 5u);
    for (std::size_t i = 0; i < families.size(); ++i) {
        EXPECT_EQ(down[i][2], "DOWN") << families[i].protocol;
        if (!families[i].qstatType.empty()) {
            const auto qstat = test::Quakestat(families[i].qstatType,
                                               "127.0.0.1:" + std::to_string(families[i].port));
            ASSERT_TRUE(qstat) << families[i].protocol;
            EXPECT_FALSE(qstat->up) << families[i].protocol;
        }
    }
}

} // namespace
} // namespace lindrel::stats
