// The families beside the five first ones, each against a real server: Teeworlds 0.7 and
// Mumble from Debian, Minecraft Java and Bedrock from npm packages written by others
// (minecraft-protocol, bedrock-protocol), each read as GameDig or quakestat reads it, and
// each DOWN within three refreshes after its server stops.
#include "GameServers.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using test::Decoded;
using test::StatusLines;

struct Entry {
    std::string protocol;
    std::string host;
    int port = 0;
};

std::string ConfigOf(int http, const std::vector<Entry>& entries) {
    std::string config = "[service]\nlisten = \"127.0.0.1:" + std::to_string(http) +
                         "\"\nrefresh_ms = 1000\nquery_timeout_ms = 300\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto id = std::to_string(i + 1);
        const auto type = std::to_string(60 + i);
        config += "[[game_types]]\nuid = " + type;
        config += "\nname = \"" + entries[i].protocol;
        config += "\"\nprotocol = \"" + entries[i].protocol;
        config += "\"\n[[directory]]\nid = " + id;
        config += "\nname = \"Slot " + id;
        config += "\"\ngame_type = " + type;
        config += "\naddress = \"" + entries[i].host;
        config += "\"\nport = " + std::to_string(entries[i].port) + "\n";
    }
    return config;
}

TEST(MoreFamilies, EachReadsAsItsPeerReadsItAndGoesDownWithinThreeRefreshes) {
    ASSERT_TRUE(test::PeersInstalled()) << test::kInstallPeers;
    lindrel::test::TempDir dir;
    // One block of five ports found free together: five probes one by one could give the
    // same port twice.
    const int tee = test::FreeLoopbackPorts(5);
    ASSERT_NE(tee, 0);
    const int mumble = tee + 1;
    const int java = tee + 2;
    const int bedrock = tee + 3;
    const int http = tee + 4;
    std::vector<test::Process> servers;
    servers.push_back(test::StartTeeworlds(dir, tee, "Lindrel Tee"));
    servers.push_back(test::StartMumble(dir, mumble, 42));
    servers.push_back(test::StartPeer("minecraft-server.js",
                                      {std::to_string(java),
                                       "\xc2\xa7"
                                       "6Lindrel \xc2\xa7rCraft",
                                       "20", "Alex,Steve"},
                                      dir));
    servers.push_back(
        test::StartPeer("bedrock-server.js",
                        {std::to_string(bedrock), "Lindrel Bedrock", "Clan World", "15"}, dir));
    // The fifth entry is the Mumble server again, by its name: both entries show it.
    lindrel::test::WriteFile(dir / "stats.toml", ConfigOf(http, {{"teeworlds", "127.0.0.1", tee},
                                                                 {"mumble", "127.0.0.1", mumble},
                                                                 {"minecraft", "127.0.0.1", java},
                                                                 {"bedrock", "127.0.0.1", bedrock},
                                                                 {"mumble", "localhost", mumble}}));
    lindrel::test::ChildProcess service(
        {LINDREL_STATS_PROGRAM, "--config", (dir / "stats.toml").string()}, {},
        (dir / "stats.log").string());
    const std::string base = "http://127.0.0.1:" + std::to_string(http);
    const std::string url = base + "/?d=1,2,3,4,5&t=0&s=";

    const auto up = StatusLines(url, std::chrono::seconds(90), [](const auto& fields) {
        return fields.size() == 10 && fields[2] != "DOWN" &&
               (fields[0] != "3" || fields[3] == "2%2F20");
    });
    ASSERT_EQ(up.size(), 5u) << lindrel::test::ReadFile(dir / "stats.log");
    for (const auto& fields : up) {
        ASSERT_EQ(fields.size(), 10u);
        ASSERT_NE(fields[2], "DOWN") << "slot " << fields[0];
    }
    // Teeworlds 0.7: neither quakestat (0.6 only) nor GameDig reads it; the server's own
    // configuration says what it is.
    EXPECT_EQ(Decoded(up[0][1]), "Lindrel Tee");
    EXPECT_EQ(Decoded(up[0][2]), "dm1");
    EXPECT_EQ(Decoded(up[0][3]), "0/12");

    // Mumble names no server: the configured name shows, users out of the limit.
    const auto qstat = test::Quakestat("mumble", "127.0.0.1:" + std::to_string(mumble));
    const auto mumbleDig = test::GameDig("mumbleping", mumble);
    ASSERT_TRUE(qstat && qstat->up && mumbleDig && mumbleDig->up);
    for (const std::size_t slot : {1u, 4u}) {
        EXPECT_EQ(Decoded(up[slot][1]), "Slot " + std::to_string(slot + 1));
        EXPECT_EQ(Decoded(up[slot][3]),
                  std::to_string(qstat->players) + "/" + std::to_string(qstat->maxPlayers));
        EXPECT_EQ(Decoded(up[slot][3]),
                  std::to_string(mumbleDig->players) + "/" + std::to_string(mumbleDig->maxPlayers));
        EXPECT_EQ(Decoded(up[slot][2]), "Mumble 1.3.4");
    }

    // Minecraft Java: the description without its colour codes, the sample as the list.
    const auto javaDig = test::GameDig("minecraft", java);
    ASSERT_TRUE(javaDig && javaDig->up);
    EXPECT_EQ(Decoded(up[2][1]), javaDig->name);
    EXPECT_EQ(Decoded(up[2][1]), "Lindrel Craft");
    EXPECT_EQ(Decoded(up[2][3]),
              std::to_string(javaDig->players) + "/" + std::to_string(javaDig->maxPlayers));
    const std::string list = GetURL(base + "/?p2=3&s=");
    EXPECT_NE(list.find("\nPlayers:2\nAlex\n0,0,0,0,0,0\nSteve\n"), std::string::npos) << list;
    EXPECT_EQ(javaDig->names, (std::vector<std::string>{"Alex", "Steve"}));

    // Bedrock: name, world, players and limit.
    const auto bedrockDig = test::GameDig("minecraftbe", bedrock);
    ASSERT_TRUE(bedrockDig && bedrockDig->up);
    EXPECT_EQ(Decoded(up[3][1]), bedrockDig->name);
    EXPECT_EQ(Decoded(up[3][2]), bedrockDig->map);
    EXPECT_EQ(Decoded(up[3][3]),
              std::to_string(bedrockDig->players) + "/" + std::to_string(bedrockDig->maxPlayers));

    // Down, counted in refreshes: two missed ones make a server down, and the refresh under
    // way when the servers stop may be the third.
    const int before = test::RefreshCount(base + "/metrics");
    ASSERT_GE(before, 0);
    for (auto& server : servers) {
        server->Kill();
    }
    const auto down = StatusLines(url, std::chrono::seconds(30), [](const auto& fields) {
        return fields.size() == 10 && fields[2] == "DOWN";
    });
    const int after = test::RefreshCount(base + "/metrics");
    ASSERT_EQ(down.size(), 5u);
    for (const auto& fields : down) {
        EXPECT_EQ(fields[2], "DOWN") << "slot " << fields[0];
    }
    EXPECT_LE(after - before, 3);
    // GameDig answers "down" for a server that is gone (an empty reading is its failure).
    const auto gone = test::GameDig("minecraft", java);
    ASSERT_TRUE(gone);
    EXPECT_FALSE(gone->up);
}

} // namespace
} // namespace lindrel::stats
