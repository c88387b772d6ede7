#include "FakeGameServer.h"
#include "RunningService.h"
#include "base/Text.h"
#include "core/AppState.h"
#include "service/AlertSink.h"
#include "service/Directory.h"
#include "service/HttpFetch.h"
#include "service/StatusPoll.h"
#include "support/LoopbackUdp.h"
#include "support/RecordingSink.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lindrel::stats {
namespace {

using test::FakeGameServer;
using test::RunningService;

using lindrel::test::RecordingSink;

// The program's side: a state pointed at the service, with the directory's ids.
AppState MonitorFor(const RunningService& running, const std::string& folder) {
    AppState state(folder);
    state.StatsBaseURL = running.BaseUrl();
    LoadServerDirectory(state);
    state.ServerData = state.DefaultServers;
    return state;
}

TEST(StatsService, AnswersTheMonitorsStartUpQueries) {
    RunningService running(RunningService::FastConfig());
    ASSERT_TRUE(running.WaitRefreshes(1));
    lindrel::test::TempDir dir;
    AppState state = MonitorFor(running, dir.str());
    EXPECT_EQ(state.DefaultServers(0, ServerName), "Demo 0");
    EXPECT_EQ(state.DefaultServers(0, StatsID), "10");
    EXPECT_EQ(state.DefaultServers(4, StatsID), "50");
    EXPECT_EQ(state.DefaultServers(2, ServerPort), std::to_string(running.gamePort(2)));
    EXPECT_EQ(state.DefaultServers(1, ServerIP), "127.0.0.1");

    LoadGameTypes(state);
    ASSERT_EQ(state.GameTypes.size(), 2u);
    EXPECT_EQ(state.GameTypes.Find("GT_10")->GameRCON(), "+set rconpassword");
    EXPECT_EQ(state.GameTypes.Find("GT_11")->GameType(), "OpenArena");

    RecordingSink sink;
    PullStats(state, sink);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto& status = state.ServerStatus[static_cast<std::size_t>(slot)];
        EXPECT_EQ(status.ReportedName, "Demo " + std::to_string(slot));
        EXPECT_EQ(status.MapName, "oa_dm" + std::to_string(slot + 1));
        EXPECT_EQ(status.Players, "2/8");
        EXPECT_TRUE(ParseInt32(status.Ping).has_value()) << status.Ping;
    }
    EXPECT_TRUE(sink.alerts.empty());
    EXPECT_EQ(GetURL(running.BaseUrl() + "f=2"), "3.25.2003\n,,,21\n");
}

TEST(StatsService, WantedPlayerAlertsOnceAndAgainAfterTheMarkersReset) {
    RunningService running(RunningService::FastConfig());
    ASSERT_TRUE(running.WaitRefreshes(1));
    lindrel::test::TempDir dir;
    AppState state = MonitorFor(running, dir.str());
    // Every demo server starts with the same bot pool; find one that is on slot 0.
    const std::string players = GetURL(running.BaseUrl() + "p2=10&s=");
    const auto lines = Split(players, '\n');
    ASSERT_GE(lines.size(), 4u) << players;
    EXPECT_EQ(lines[1], "Players:2");
    const std::string bot(lines[2]);
    state.GlobalData[FindPlayer1] = bot.substr(1, 3);

    RecordingSink sink;
    PullStats(state, sink);
    ASSERT_FALSE(sink.alerts.empty());
    EXPECT_NE(sink.alerts[0].find("Player(s) found on server Demo 0\r\n"), std::string::npos);
    EXPECT_NE(sink.alerts[0].find(bot), std::string::npos);
    const auto marker = state.FindMark[0];
    EXPECT_NE(marker, 0);

    sink.alerts.clear();
    PullStats(state, sink);
    EXPECT_TRUE(sink.alerts.empty());
    EXPECT_EQ(state.FindMark[0], marker);

    state.FindMark.fill(0);
    PullStats(state, sink);
    EXPECT_EQ(sink.alerts.size(), 1u);

    const std::string marked = GetURL(running.BaseUrl() + "p2=10&s=" + bot.substr(1, 3));
    EXPECT_NE(marked.find(bot + "\n"), std::string::npos);
    EXPECT_NE(marked.find(",0,0,0,1\n"), std::string::npos);
}

TEST(StatsService, DownOnlyAfterTwoMissedRefreshes) {
    Config config = RunningService::FastConfig();
    config.poll.refreshInterval = std::chrono::milliseconds(100);
    config.poll.queryTimeout = std::chrono::milliseconds(25);
    RunningService running(config);
    ASSERT_TRUE(running.WaitRefreshes(1));
    lindrel::test::TempDir dir;
    AppState state = MonitorFor(running, dir.str());
    RecordingSink sink;
    PullStats(state, sink);

    running.SetAnswering(1, false);
    ASSERT_TRUE(running.WaitRefreshes(4));
    PullStats(state, sink);
    EXPECT_EQ(sink.alerts, std::vector<std::string>{"Server Down: Demo 1 is Down\n"});
    EXPECT_EQ(state.ServerStatus[1].Players, "0/8");

    running.SetAnswering(1, true);
    ASSERT_TRUE(running.WaitRefreshes(2));
    sink.alerts.clear();
    PullStats(state, sink);
    EXPECT_EQ(sink.alerts, std::vector<std::string>{"Server Down: Demo 1 is online\n"});
}

TEST(StatsService, OneMissedRefreshIsNotDown) {
    Config config = RunningService::FastConfig();
    config.poll.downAfterMisses = 3;
    RunningService running(config);
    ASSERT_TRUE(running.WaitRefreshes(1));
    running.SetAnswering(3, false);
    ASSERT_TRUE(running.WaitRefreshes(2)); // one or two misses: below three
    const std::string reply = GetURL(running.BaseUrl() + "d=40&t=0");
    EXPECT_EQ(reply.find("DOWN"), std::string::npos) << reply;
    EXPECT_NE(reply.find("|oa%5Fdm4|"), std::string::npos) << reply;
}

TEST(StatsService, GarbageAndStrangersNeverMarkAServerUp) {
    FakeGameServer garbage;
    Config config = RunningService::FastConfig();
    config.servers.push_back({77, "Garbage", 10, "127.0.0.1", garbage.port()});
    RunningService running(config, 5);
    // Answer a few queries with junk, a truncated reply and a wrong header.
    const std::string header("\xff\xff\xff\xffstatusResponse\n", 19);
    for (const std::string& junk :
         {std::string("\x01\x02garbage"), header, std::string("\xff\xff\xff\xffprint\nhello\n"),
          header.substr(0, 10)}) {
        garbage.AnswerOne(junk, 2000);
    }
    // A stranger sends a good-looking reply from another port.
    FakeGameServer stranger;
    stranger.SendTo(running.queryPort(), header + "\\mapname\\fake\\sv_hostname\\Fake\n");
    ASSERT_TRUE(running.WaitRefreshes(1));
    const std::string reply = GetURL(running.BaseUrl() + "d=77,10&t=0,0");
    EXPECT_EQ(reply.find("fake"), std::string::npos) << reply;
    // The garbage server is either not reported yet or reported DOWN, never up.
    if (reply.rfind("77|", 0) == 0) {
        EXPECT_EQ(reply.rfind("77|Garbage|DOWN|", 0), 0u) << reply;
    }
}

TEST(StatsService, LookupOfKnownNewAndSilentServers) {
    lindrel::test::TempDir dir;
    FakeGameServer newServer;
    FakeGameServer silent;
    Config config = RunningService::FastConfig();
    config.stateFile = (dir / "state").string();
    const std::string newAddress = "127.0.0.1:" + std::to_string(newServer.port());
    {
        RunningService running(config);
        AppState state(dir.str());
        state.StatsBaseURL = running.BaseUrl();
        std::string name;
        EXPECT_EQ(LookupServer(state, "127.0.0.1", std::to_string(running.gamePort(2)), 10, name),
                  30);
        EXPECT_EQ(name, "Demo 2");

        // The new server answers the probe from another thread while the lookup waits.
        std::thread answer([&] {
            newServer.AnswerOne(std::string("\xff\xff\xff\xffstatusResponse\n", 19) +
                                    "\\mapname\\q3dm1\\sv_hostname\\^1New ^7One\n",
                                5000);
        });
        name.clear();
        const int id = LookupServer(state, "127.0.0.1", std::to_string(newServer.port()), 11, name);
        answer.join();
        EXPECT_EQ(id, 100);
        EXPECT_EQ(name, "New One");
        EXPECT_EQ(LookupServer(state, "127.0.0.1", std::to_string(newServer.port()), 11, name),
                  100);

        EXPECT_EQ(LookupServer(state, "127.0.0.1", std::to_string(silent.port()), 10, name),
                  kLookupNotFound);
        EXPECT_TRUE(silent.AnswerOne("", 0)); // it was asked, once
        EXPECT_FALSE(silent.AnswerOne("", 0));
        EXPECT_EQ(LookupServer(state, "not-an-address", "1", 10, name), kLookupNotFound);
        EXPECT_EQ(LookupServer(state, "127.0.0.1", "99999", 10, name), kLookupNotFound);
    }
    // The line ends with when the server last answered, in seconds since 1970.
    const std::string saved = lindrel::test::ReadFile(dir / "state");
    EXPECT_EQ(saved.substr(0, saved.rfind(',') + 1),
              "100,127.0.0.1," + std::to_string(newServer.port()) + ",11,New+One,");
    // The id survives a restart.
    RunningService restarted(config);
    EXPECT_EQ(GetURL(restarted.BaseUrl() + "r=" + newAddress + ",11"), "100|New+One\n");
}

TEST(StatsService, LookupsStayInsideTheAllowListAndTheRate) {
    FakeGameServer outside("127.0.0.2");
    FakeGameServer inside;
    Config config = RunningService::FastConfig();
    config.lookups.allow = {*ParseNetwork("127.0.0.1/32")};
    config.lookups.perMinute = 2;
    RunningService running(config);
    const std::string base = running.BaseUrl() + "r=";
    EXPECT_EQ(GetURL(base + "127.0.0.2:" + std::to_string(outside.port()) + ",10"),
              "NO SERVER FOUND\n");
    EXPECT_FALSE(outside.AnswerOne("", 100));

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(GetURL(base + "127.0.0.1:" + std::to_string(inside.port()) + ",10"),
                  "NO SERVER FOUND\n");
        EXPECT_TRUE(inside.AnswerOne("", 100));
    }
    EXPECT_EQ(GetURL(base + "127.0.0.1:" + std::to_string(inside.port()) + ",10"),
              "NO SERVER FOUND\n");
    EXPECT_FALSE(inside.AnswerOne("", 100)); // over the rate: not asked
}

TEST(StatsService, MalformedQueriesGetPlainAnswers) {
    RunningService running(RunningService::FastConfig());
    const std::string base = running.BaseUrl();
    EXPECT_EQ(GetURL(base + "zzz"), "UNKNOWN QUERY\n");
    EXPECT_EQ(GetURL(base + ""), "UNKNOWN QUERY\n");
    EXPECT_EQ(GetURL(base + "f=9"), "UNKNOWN QUERY\n");
    EXPECT_EQ(GetURL(base + "d=abc,,%zz&t=x&s=%"), "");
    EXPECT_EQ(GetURL(base + "p2=abc"), "");
    EXPECT_EQ(GetURL(base + "r=::::"), "NO SERVER FOUND\n");
    std::string longName(3000, 'A');
    EXPECT_EQ(GetURL(base + "d=10&t=0&s=" + longName).find('\n'), GetURL(base + "d=10").find('\n'));
    // A request whose headers exceed the limit is dropped without an answer.
    EXPECT_EQ(GetURL(base + "d=" + std::string(20000, '7')), "");
    // The service still answers afterwards.
    EXPECT_NE(GetURL(base + "f=1"), "");
}

} // namespace
} // namespace lindrel::stats
