// Games whose Debian packages bring a gigabyte of data, run by scripts/test-games.sh and
// skipped where they are not installed: Red Eclipse (a Cube 2 game with its own order of
// attributes) and Nexuiz (DarkPlaces, with its ^xRGB colours). quakestat reads Red
// Eclipse's limit as 600, the seconds left, and quakestat and GameDig both leave the
// digits of Nexuiz's colours in its name: the servers' own configuration says what is
// right, and quakestat agrees on the rest.
#include "GameServers.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using test::Decoded;
using test::StatusLines;

TEST(LargeGames, RedEclipseAndNexuizReadAsConfiguredAndGoDown) {
    for (const char* program : {"/usr/games/redeclipse-server", "/usr/games/darkplaces-server"}) {
        if (!std::filesystem::exists(program)) {
            GTEST_SKIP() << program << " is not installed (scripts/test-games.sh installs it)";
        }
    }
    lindrel::test::TempDir dir;
    lindrel::test::TempDir nexuizDir;
    const int redEclipse = test::FreeLoopbackPorts(3); // the game port, the query port + 1
    const int nexuiz = test::FreeLoopbackPorts(1);
    const int http = test::FreeLoopbackPorts(1);
    ASSERT_TRUE(redEclipse && nexuiz && http);
    std::vector<test::Process> servers;
    servers.push_back(test::StartRedEclipse(dir, redEclipse, "Lindrel Eclipse"));
    servers.push_back(test::StartNexuiz(nexuizDir, nexuiz, "^xF80Lindrel ^1Nex^x0a0uiz"));

    std::string config = "[service]\nlisten = \"127.0.0.1:" + std::to_string(http) +
                         "\"\nrefresh_ms = 1000\nquery_timeout_ms = 300\n"
                         "[[game_types]]\nuid = 70\nname = \"Red Eclipse\"\nprotocol = \"cube2\"\n"
                         "[[game_types]]\nuid = 71\nname = \"Nexuiz\"\nprotocol = \"q3\"\n";
    // The directory holds five: the last three are nobody's ports.
    const std::vector<std::pair<int, int>> entries = {
        {70, redEclipse}, {71, nexuiz}, {71, 9}, {71, 11}, {71, 13}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        config += "[[directory]]\nid = " + std::to_string(i + 1) + "\nname = \"Slot " +
                  std::to_string(i + 1) + "\"\ngame_type = " + std::to_string(entries[i].first) +
                  "\naddress = \"127.0.0.1\"\nport = " + std::to_string(entries[i].second) + "\n";
    }
    lindrel::test::WriteFile(dir / "stats.toml", config);
    lindrel::test::ChildProcess service(
        {LINDREL_STATS_PROGRAM, "--config", (dir / "stats.toml").string()}, {},
        (dir / "stats.log").string());
    const std::string base = "http://127.0.0.1:" + std::to_string(http);
    const std::string url = base + "/?d=1,2&t=0&s=";

    const auto up = StatusLines(
        url, std::chrono::seconds(120),
        [](const auto& fields) { return fields.size() == 10 && fields[2] != "DOWN"; }, 2);
    ASSERT_EQ(up.size(), 2u) << lindrel::test::ReadFile(dir / "stats.log");
    // Red Eclipse: 6 + 2 slots, nobody on.
    EXPECT_EQ(Decoded(up[0][1]), "Lindrel Eclipse");
    EXPECT_EQ(Decoded(up[0][3]), "0/8");
    const auto redQstat = test::QuakestatOnceUp("cubes", "127.0.0.1:" + std::to_string(redEclipse),
                                                std::chrono::seconds(30));
    ASSERT_TRUE(redQstat && redQstat->up);
    EXPECT_EQ(Decoded(up[0][2]), redQstat->map);
    EXPECT_EQ(redQstat->maxPlayers, 600) << "quakestat reads Sauerbraten's order";

    // Nexuiz: the name as the game shows it.
    EXPECT_EQ(Decoded(up[1][1]), "Lindrel Nexuiz");
    const auto nexQstat = test::QuakestatOnceUp("nexuizs", "127.0.0.1:" + std::to_string(nexuiz),
                                                std::chrono::seconds(30));
    ASSERT_TRUE(nexQstat && nexQstat->up) << lindrel::test::ReadFile(nexuizDir / "nexuiz.log");
    EXPECT_EQ(Decoded(up[1][2]), nexQstat->map);
    EXPECT_EQ(Decoded(up[1][3]),
              std::to_string(nexQstat->players) + "/" + std::to_string(nexQstat->maxPlayers));
    EXPECT_EQ(nexQstat->name, "F80Lindrel Nex0a0uiz") << "quakestat keeps the digits";
    const auto nexDig = test::GameDig("nexuiz", nexuiz);
    ASSERT_TRUE(nexDig && nexDig->up);
    EXPECT_EQ(Decoded(up[1][2]), nexDig->map);

    const int before = test::RefreshCount(base + "/metrics");
    for (auto& server : servers) {
        server->Kill();
    }
    const auto down = StatusLines(
        url, std::chrono::seconds(30),
        [](const auto& fields) { return fields.size() == 10 && fields[2] == "DOWN"; }, 2);
    ASSERT_EQ(down.size(), 2u);
    EXPECT_EQ(down[0][2], "DOWN");
    EXPECT_EQ(down[1][2], "DOWN");
    EXPECT_LE(test::RefreshCount(base + "/metrics") - before, 3);
}

} // namespace
} // namespace lindrel::stats
