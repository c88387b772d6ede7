// The service's HTTP side as an attacker meets it: floods of slow and idle connections,
// malformed requests, and a process out of file descriptors.
#include "RunningService.h"
#include "faults/Processes.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace lindrel::stats {
namespace {

using lindrel::test::BodyOf;
using lindrel::test::ConnectFrom;
using lindrel::test::GetRequest;
using lindrel::test::RawExchange;
using lindrel::test::StatusOf;
using test::RunningService;

constexpr const char* kPoll = "/?d=10,20,30,40,50&t=0,0,0,0,0&s=";

// Polls from a client of its own address; how many of count were answered with a status
// line for every server.
int AnsweredPolls(const RunningService& running, int count) {
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        const std::string reply =
            RawExchange("127.0.0.2", running.httpPort(), GetRequest(kPoll), 2000);
        answered += StatusOf(reply) == 200 && BodyOf(reply).find("50|") != std::string::npos;
    }
    return answered;
}

struct Sockets {
    std::vector<int> fds;
    ~Sockets() {
        for (const int fd : fds) {
            ::close(fd);
        }
    }
};

TEST(FrontEnd, SlowSendersFromOneAddressLeaveOthersServed) {
    RunningService running(RunningService::FastConfig());
    ASSERT_TRUE(running.WaitRefreshes(1));
    // 300 connections from one address, each with the first byte of a request head, as
    // a client sending a byte every few seconds keeps them.
    Sockets slow;
    for (int i = 0; i < 300; ++i) {
        const int fd = ConnectFrom("127.0.0.1", running.httpPort());
        if (fd >= 0) {
            static_cast<void>(::send(fd, "G", 1, MSG_NOSIGNAL));
            slow.fds.push_back(fd);
        }
    }
    EXPECT_EQ(AnsweredPolls(running, 20), 20);
}

TEST(FrontEnd, IdleConnectionsFromManyAddressesMakeRoom) {
    Config config = RunningService::FastConfig();
    config.frontEnd.maxConnections = 200;
    RunningService running(config);
    ASSERT_TRUE(running.WaitRefreshes(1));
    // 1,000 connections that never send a byte, from 1,000 loopback addresses.
    Sockets idle;
    for (int i = 0; i < 1000; ++i) {
        const std::string source =
            "127.0.1" + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
        const int fd = ConnectFrom(source, running.httpPort());
        if (fd >= 0) {
            idle.fds.push_back(fd);
        }
    }
    ASSERT_GE(idle.fds.size(), 990u);
    EXPECT_EQ(AnsweredPolls(running, 20), 20);
    EXPECT_LE(running.OnIo([&] { return running.connectionCount(); }), 200u);
}

TEST(FrontEnd, AConnectionThatSendsNothingIsClosedAfterTheHeadDeadline) {
    Config config = RunningService::FastConfig();
    config.frontEnd.headTimeout = std::chrono::milliseconds(300);
    RunningService running(config);
    const int fd = ConnectFrom("127.0.0.1", running.httpPort());
    ASSERT_GE(fd, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lindrel::test::ReadResponse(fd, 5000), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    ::close(fd);
}

TEST(FrontEnd, EveryRequestErrorGetsAShortAnswer) {
    RunningService running(RunningService::FastConfig());
    const auto port = running.httpPort();
    const auto exchange = [&](const std::string& request) {
        return StatusOf(RawExchange("127.0.0.1", port, request));
    };
    EXPECT_EQ(exchange("NONSENSE\r\n\r\n"), 400);
    EXPECT_EQ(exchange("GET /?f=1 HTTP/9\r\n\r\n"), 400);
    EXPECT_EQ(exchange("POST /?f=1 HTTP/1.1\r\nHost: x\r\n\r\n"), 405);
    EXPECT_EQ(exchange("GET /?f=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello"), 413);
    EXPECT_EQ(exchange(GetRequest("/?d=" + std::string(5000, '7'))), 414);
    EXPECT_EQ(exchange(GetRequest("/?d=" + std::string(20000, '7'))), 414);
    std::string manyHeaders = "GET /?f=1 HTTP/1.1\r\n";
    for (int i = 0; i < 400; ++i) {
        manyHeaders += "X-Padding-" + std::to_string(i) + ": 0123456789\r\n";
    }
    EXPECT_EQ(exchange(manyHeaders + "\r\n"), 431);
    // The answer says no more: the connection is closed after it.
    const std::string reply = RawExchange("127.0.0.1", port, "POST / HTTP/1.1\r\n\r\n");
    EXPECT_NE(reply.find("Connection: close"), std::string::npos) << reply;
    EXPECT_EQ(exchange(GetRequest("/?f=1")), 200);
}

// A process out of descriptors: accept fails with EMFILE until one is freed. The service
// must wait between tries, not spin.
TEST(FrontEnd, OutOfDescriptorsTheAcceptLoopDoesNotSpin) {
    lindrel::test::TempDir dir;
    const int port = lindrel::test::UnusedLoopbackTcpPort();
    lindrel::test::ChildProcess service({"/usr/bin/prlimit", "--nofile=48", LINDREL_STATS_PROGRAM,
                                         "--listen", "127.0.0.1:" + std::to_string(port)},
                                        {}, (dir / "service.out").string());
    ASSERT_TRUE(lindrel::test::WaitForHttp(static_cast<std::uint16_t>(port)));
    Sockets flood;
    for (int i = 0; i < 120; ++i) {
        const std::string source = "127.0.2." + std::to_string(1 + i % 4);
        const int fd = ConnectFrom(source, static_cast<std::uint16_t>(port));
        if (fd >= 0) {
            flood.fds.push_back(fd);
        }
    }
    const double before = lindrel::test::CpuSeconds(service.pid());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double used = lindrel::test::CpuSeconds(service.pid()) - before;
    EXPECT_LT(used, 0.4) << "CPU seconds in 2 s with the descriptors used up";
}

} // namespace
} // namespace lindrel::stats
