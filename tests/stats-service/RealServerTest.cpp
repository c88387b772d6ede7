#include "GameServers.h"
#include "RunningService.h"
#include "base/Text.h"
#include "core/AppState.h"
#include "service/AlertSink.h"
#include "service/HttpFetch.h"
#include "service/StatusPoll.h"
#include "support/LoopbackUdp.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using lindrel::test::RecordingSink;

// Asks the service until the reply satisfies done, for at most the given time.
template <typename Done>
std::string AskUntil(const std::string& url, std::chrono::seconds limit, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string reply;
    while (std::chrono::steady_clock::now() < deadline) {
        reply = GetURL(url);
        if (done(reply)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return reply;
}

TEST(RealGameServer, ReportedListedFoundAndThenDown) {
    ASSERT_TRUE(std::filesystem::exists("/usr/lib/ioquake3/ioq3ded"))
        << "openarena-server is missing: scripts/install-deps.sh installs it";
    lindrel::test::TempDir dir;
    const int port = lindrel::test::UnusedLoopbackUdpPort();
    auto game = test::StartOpenArena(dir, port, "^3Lindrel ^7Test");

    Config config = test::RunningService::FastConfig();
    config.poll.refreshInterval = std::chrono::milliseconds(300);
    config.poll.queryTimeout = std::chrono::milliseconds(150);
    config.servers.push_back({99, "Configured", 11, "127.0.0.1", static_cast<std::uint16_t>(port)});
    test::RunningService running(config);

    const std::string status =
        AskUntil(running.BaseUrl() + "d=99&t=0&s=", std::chrono::seconds(90),
                 [](const std::string& r) { return r.find("|2%2F") != std::string::npos; });
    const auto fields = Split(TrimSpaces(status), '|');
    ASSERT_EQ(fields.size(), 10u) << status << lindrel::test::ReadFile(dir / "oa.log");
    EXPECT_EQ(fields[1], "Lindrel+Test");
    EXPECT_EQ(fields[2], "oa%5Fdm1");
    EXPECT_EQ(fields[3], "2%2F12");
    EXPECT_TRUE(ParseInt32(fields[4]).has_value());
    EXPECT_EQ(fields[6], "127.0.0.1:" + std::to_string(port));

    const std::string players = GetURL(running.BaseUrl() + "p2=99&s=gris");
    EXPECT_NE(players.find("\nPlayers:2\n"), std::string::npos) << players;
    EXPECT_NE(players.find("\nGrism\n"), std::string::npos) << players;
    EXPECT_NE(players.find("\nAngelyss\n"), std::string::npos) << players;
    const auto grism = players.find("\nGrism\n");
    EXPECT_EQ(players.substr(players.find('\n', grism + 7) - 2, 2), ",1");

    lindrel::test::TempDir monitorDir;
    AppState state(monitorDir.str());
    state.StatsBaseURL = running.BaseUrl();
    state.ServerData(0, StatsID) = "99";
    state.ServerData(0, DownNotify) = "1";
    state.GlobalData[FindPlayer1] = "grism";
    RecordingSink sink;
    PullStats(state, sink);
    EXPECT_EQ(sink.alerts,
              std::vector<std::string>{
                  "Player Found: -- 1 Player(s) found on server Lindrel Test\r\nGrism\r\n"});
    EXPECT_EQ(state.ServerStatus[0].Players, "2/12");

    game->Kill();
    const std::string down =
        AskUntil(running.BaseUrl() + "d=99", std::chrono::seconds(20),
                 [](const std::string& r) { return r.find("|DOWN|") != std::string::npos; });
    EXPECT_NE(down.find("99|Lindrel+Test|DOWN|0%2F12|"), std::string::npos) << down;
    sink.alerts.clear();
    PullStats(state, sink);
    EXPECT_EQ(sink.alerts, std::vector<std::string>{"Server Down: Lindrel Test is Down\n"});
}

} // namespace
} // namespace lindrel::stats
