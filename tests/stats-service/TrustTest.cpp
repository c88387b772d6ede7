// What the service believes and keeps: forged game server replies, racing lookups, ids,
// lookup budgets, and the state file.
#include "FakeGameServer.h"
#include "RunningService.h"
#include "service/HttpFetch.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <atomic>
#include <climits>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace lindrel::stats {
namespace {

using test::FakeGameServer;
using test::RunningService;

const std::string kHeader("\xff\xff\xff\xffstatusResponse\n", 19);

std::string LookupUrl(const RunningService& running, std::uint16_t port) {
    return running.BaseUrl() + "r=127.0.0.1:" + std::to_string(port) + ",10";
}

// Sends count forged replies, one every 20 ms (50 a second), from the server's own address
// and port, with challenges a forger might try.
void Spray(FakeGameServer& from, std::uint16_t to, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string challenge = i % 3 == 0 ? "" : "\\challenge\\" + std::to_string(i);
        from.SendTo(to, kHeader + challenge + "\\mapname\\fake\\sv_hostname\\Fake\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TEST(Trust, ForgedRepliesNeverShowADownServerUp) {
    FakeGameServer watched; // reads no query, answers none
    Config config = RunningService::FastConfig();
    config.servers.push_back({77, "Watched", 10, "127.0.0.1", watched.port()});
    RunningService running(config);
    std::thread forger([&] { Spray(watched, running.queryPort(), 100); });
    int polls = 0;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(running.WaitRefreshes(1));
        const std::string reply = GetURL(running.BaseUrl() + "d=77&t=0&s=");
        EXPECT_EQ(reply.find("Fake"), std::string::npos) << reply;
        if (!reply.empty()) {
            EXPECT_EQ(reply.rfind("77|Watched|DOWN|", 0), 0u) << reply;
            ++polls;
        }
    }
    forger.join();
    EXPECT_GE(polls, 8);
}

// An OpenTTD server that takes the connection and never answers: the TCP query ends at its
// deadline, the refreshes go on, and the server is down while the others stay up.
TEST(Trust, ATcpServerThatNeverAnswersHoldsNothingUp) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(::listen(listener, 16), 0); // the kernel completes connections; none is read
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);
    Config config = RunningService::FastConfig();
    config.gameTypes.push_back({60, "OpenTTD", "", "", "", "openttd"});
    config.servers.push_back({60, "Silent", 60, "127.0.0.1", ntohs(at.sin_port)});
    {
        RunningService running(config);
        ASSERT_TRUE(running.WaitRefreshes(4));
        EXPECT_EQ(GetURL(running.BaseUrl() + "d=60&t=0&s=").rfind("60|Silent|DOWN|", 0), 0u);
        EXPECT_EQ(GetURL(running.BaseUrl() + "d=10&t=0&s=").find("DOWN"), std::string::npos);
    }
    ::close(listener);
}

TEST(Trust, AForgedReplyDuringALookupRegistersNothing) {
    FakeGameServer target; // silent: only the forger speaks for it
    Config config = RunningService::FastConfig();
    config.poll.queryTimeout = std::chrono::milliseconds(400);
    RunningService running(config);
    std::thread forger([&] { Spray(target, running.queryPort(), 40); });
    EXPECT_EQ(GetURL(LookupUrl(running, target.port())), "NO SERVER FOUND\n");
    forger.join();
    EXPECT_EQ(running.OnIo([&] { return running.registry().RegisteredCount(); }), 0u);
}

TEST(Trust, ConcurrentLookupsStayUnderTheCapAcrossARestart) {
    lindrel::test::TempDir dir;
    Config config = RunningService::FastConfig();
    config.stateFile = (dir / "state").string();
    config.lookups.maxRegistered = 2;
    config.poll.queryTimeout = std::chrono::milliseconds(1500);
    std::vector<std::unique_ptr<FakeGameServer>> servers;
    servers.reserve(8);
    for (int i = 0; i < 8; ++i) {
        servers.push_back(std::make_unique<FakeGameServer>());
    }
    std::vector<std::string> found;
    {
        RunningService running(config);
        std::vector<std::future<std::string>> lookups;
        std::vector<std::thread> answers;
        for (std::size_t i = 0; i < 8; ++i) {
            // Each answers late, so that all eight lookups wait at once.
            answers.emplace_back([&, i] {
                servers[i]->AnswerOne(FakeGameServer::StatusReply("S" + std::to_string(i)), 3000,
                                      300);
            });
            lookups.push_back(std::async(std::launch::async, [&, i] {
                return GetURL(LookupUrl(running, servers[i]->port()));
            }));
        }
        for (auto& lookup : lookups) {
            const std::string reply = lookup.get();
            if (reply != "NO SERVER FOUND\n") {
                found.push_back(reply);
            }
        }
        for (auto& answer : answers) {
            answer.join();
        }
        EXPECT_EQ(found.size(), 2u);
        EXPECT_EQ(running.OnIo([&] { return running.registry().RegisteredCount(); }), 2u);
    }
    RunningService restarted(config);
    std::vector<std::string> foundAgain;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string reply = GetURL(LookupUrl(restarted, servers[i]->port()));
        if (reply != "NO SERVER FOUND\n") {
            foundAgain.push_back(reply);
        }
    }
    std::sort(found.begin(), found.end());
    std::sort(foundAgain.begin(), foundAgain.end());
    EXPECT_EQ(foundAgain, found);
}

TEST(Trust, IdsStayPositiveAndDistinctNextToTheLargestId) {
    Config config = RunningService::FastConfig();
    FakeGameServer top;
    config.servers.push_back({INT_MAX, "Top", 10, "127.0.0.1", top.port()});
    RunningService running(config);
    std::set<std::string> ids;
    for (int i = 0; i < 3; ++i) {
        FakeGameServer fresh;
        std::thread answer([&] { fresh.AnswerOne(FakeGameServer::StatusReply("New"), 3000); });
        const std::string reply = GetURL(LookupUrl(running, fresh.port()));
        answer.join();
        const std::string id = reply.substr(0, reply.find('|'));
        EXPECT_GE(std::stoll(id), 100) << reply;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 3u);
}

TEST(Trust, OneClientsSilentLookupsLeaveOthersTheirBudget) {
    Config config = RunningService::FastConfig(); // 10 a minute, 5 of them per client
    RunningService running(config);
    std::vector<std::unique_ptr<FakeGameServer>> silent;
    for (int i = 0; i < 10; ++i) {
        silent.push_back(std::make_unique<FakeGameServer>());
        lindrel::test::RawExchange(
            "127.0.0.2", running.httpPort(),
            lindrel::test::GetRequest("/?r=127.0.0.1:" + std::to_string(silent.back()->port()) +
                                      ",10"));
    }
    FakeGameServer wanted;
    std::thread answer([&] { wanted.AnswerOne(FakeGameServer::StatusReply("Mine"), 3000); });
    const std::string reply = lindrel::test::RawExchange(
        "127.0.0.3", running.httpPort(),
        lindrel::test::GetRequest("/?r=127.0.0.1:" + std::to_string(wanted.port()) + ",10"));
    answer.join();
    EXPECT_EQ(lindrel::test::BodyOf(reply), "100|Mine\n") << reply;
}

TEST(Trust, ARegisteredServerSilentTooLongIsDropped) {
    lindrel::test::TempDir dir;
    FakeGameServer old;
    FakeGameServer recent;
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    lindrel::test::WriteFile(dir / "state", "150,127.0.0.1," + std::to_string(old.port()) +
                                                ",10,Old,1000\n" + "151,127.0.0.1," +
                                                std::to_string(recent.port()) + ",10,Recent," +
                                                std::to_string(now) + "\n");
    Config config = RunningService::FastConfig();
    config.stateFile = (dir / "state").string();
    RunningService running(config);
    ASSERT_TRUE(running.WaitRefreshes(2));
    const std::string saved = lindrel::test::ReadFile(dir / "state");
    EXPECT_EQ(saved.find("150,"), std::string::npos) << saved;
    EXPECT_EQ(saved.rfind("151,127.0.0.1,", 0), 0u) << saved;
}

// Starts a service on the state file and returns its error (empty when it started).
std::string StartError(const std::string& stateFile) {
    Config config = RunningService::FastConfig();
    config.stateFile = stateFile;
    asio::io_context io;
    StatsService service(io, config);
    std::string error;
    if (service.Start(error)) {
        service.Stop();
        io.run();
    }
    return error;
}

TEST(StateFile, OnlyARegularFileOfBoundedSizeIsRead) {
    lindrel::test::TempDir dir;
    const std::string zero = (dir / "zero").string();
    std::filesystem::create_symlink("/dev/zero", zero);
    EXPECT_NE(StartError(zero).find(zero), std::string::npos);

    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto fifoError = std::async(std::launch::async, [&] { return StartError(fifo); });
    ASSERT_EQ(fifoError.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_NE(fifoError.get().find(fifo), std::string::npos);

    const std::string huge = (dir / "huge").string();
    lindrel::test::WriteFile(huge, std::string(17 << 20, '\n'));
    EXPECT_NE(StartError(huge).find(huge), std::string::npos);

    EXPECT_EQ(StartError((dir / "not-there-yet").string()), "");
}

TEST(StateFile, SavesNeverWriteThroughAPlantedLink) {
    lindrel::test::TempDir dir;
    lindrel::test::WriteFile(dir / "victim", "keep");
    std::filesystem::create_symlink(dir / "victim", dir / "state.tmp");
    Config config = RunningService::FastConfig();
    config.stateFile = (dir / "state").string();
    RunningService running(config);
    FakeGameServer fresh;
    std::thread answer([&] { fresh.AnswerOne(FakeGameServer::StatusReply("New"), 3000); });
    EXPECT_EQ(GetURL(LookupUrl(running, fresh.port())), "100|New\n");
    answer.join();
    EXPECT_EQ(lindrel::test::ReadFile(dir / "victim"), "keep");
    EXPECT_EQ(lindrel::test::ReadFile(dir / "state").rfind("100,127.0.0.1,", 0), 0u);
}

} // namespace
} // namespace lindrel::stats
