// Servers named by DNS names and IPv6 addresses, in the configuration and in lookups, and
// the service listening on IPv6. Only "localhost", 127.0.0.0/8 and ::1 are used: nothing
// is resolved through the network.
#include "FakeGameServer.h"
#include "RunningService.h"
#include "config/Net.h"
#include "service/HttpFetch.h"
#include "support/RawHttp.h"

#include <gtest/gtest.h>
#include <thread>

namespace lindrel::stats {
namespace {

using test::FakeGameServer;
using test::RunningService;

bool HostHasIpv6Loopback() {
    const int fd = ::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 local{};
    local.sin6_family = AF_INET6;
    local.sin6_addr = in6addr_loopback;
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return ok;
}

TEST(Address, SplitsAtTheLastColon) {
    const auto split = [](std::string_view text) {
        const auto at = SplitHostPort(text);
        return at ? at->host + " " + std::to_string(at->port) : std::string("-");
    };
    EXPECT_EQ(split("q3.example.org:27960"), "q3.example.org 27960");
    EXPECT_EQ(split("localhost:1"), "localhost 1");
    EXPECT_EQ(split("127.0.0.1:27960"), "127.0.0.1 27960");
    EXPECT_EQ(split("[::1]:27960"), "::1 27960");
    EXPECT_EQ(split("::1:27960"), "::1 27960");
    EXPECT_EQ(split("[2001:db8::7]:5"), "2001:db8::7 5");
    for (const char* bad : {"q3:27960", "[127.0.0.1]:1", "example.org:0", "example.org:65536",
                            "-bad.example.org:1", "a..b.org:1", "1.2.3:4", "no-port", "::1",
                            "exa mple.org:1", "[fe80::1%eth0]:1", ":27960"}) {
        EXPECT_EQ(split(bad), "-") << bad;
    }
}

TEST(Address, NetworksHoldTheirOwnFamily) {
    const auto net = *ParseNetwork("127.0.0.0/8");
    EXPECT_TRUE(net.Contains(*ParseAddress("127.9.9.9")));
    EXPECT_TRUE(net.Contains(*ParseAddress("::ffff:127.0.0.1")));
    EXPECT_FALSE(net.Contains(*ParseAddress("128.0.0.1")));
    EXPECT_FALSE(net.Contains(*ParseAddress("::1")));
    const auto v6 = *ParseNetwork("2001:db8::/32");
    EXPECT_TRUE(v6.Contains(*ParseAddress("2001:db8:ffff::1")));
    EXPECT_FALSE(v6.Contains(*ParseAddress("2001:db9::1")));
    EXPECT_FALSE(ParseNetwork("::1/129"));
}

TEST(Address, AServerWhoseNameMovesKeepsItsId) {
    Registry registry;
    GameServer named;
    named.id = 42;
    named.host = "q3.example.org";
    named.port = 27960;
    ASSERT_TRUE(registry.Add(named));
    EXPECT_FALSE(registry.FindById(42)->endpoint); // not resolved yet: not queried
    const udp::endpoint first(*ParseAddress("127.0.0.7"), 27960);
    const udp::endpoint moved(*ParseAddress("::1"), 27960);
    ASSERT_TRUE(registry.SetEndpoint(42, first));
    ASSERT_TRUE(registry.SetEndpoint(42, moved));
    EXPECT_EQ(registry.FindByEndpoint(first), nullptr);
    ASSERT_NE(registry.FindByEndpoint(moved), nullptr);
    EXPECT_EQ(registry.FindByEndpoint(moved)->id, 42);
    EXPECT_EQ(registry.FindById(42)->Endpoint(), "q3.example.org:27960");
}

TEST(Address, EntriesSharingAnAddressKeepItWhenOneMoves) {
    Registry registry;
    GameServer literal;
    literal.id = 1;
    literal.host = "127.0.0.7";
    literal.port = 27960;
    GameServer named = literal;
    named.id = 2;
    named.host = "q3.example.org";
    ASSERT_TRUE(registry.Add(named));
    const udp::endpoint at(*ParseAddress("127.0.0.7"), 27960);
    ASSERT_TRUE(registry.SetEndpoint(2, at));
    ASSERT_TRUE(registry.Add(literal)) << "a configured entry may share the address";
    ASSERT_TRUE(registry.SetEndpoint(2, at)) << "resolved again, unchanged";
    EXPECT_EQ(registry.FindByEndpoint(at)->id, 2);
    // The name moves: the literal entry holds the address now.
    const udp::endpoint moved(*ParseAddress("127.0.0.8"), 27960);
    ASSERT_TRUE(registry.SetEndpoint(2, moved));
    EXPECT_EQ(registry.FindByEndpoint(at)->id, 1);
    EXPECT_EQ(registry.FindByEndpoint(moved)->id, 2);
    // A looked-up server never shares.
    GameServer looked = literal;
    looked.id = 100;
    looked.registered = true;
    EXPECT_FALSE(registry.Add(looked));
}

TEST(Address, AServerNamedByItsHostNameIsWatched) {
    RunningService running(RunningService::FastConfig(), 5, "127.0.0.1", "localhost");
    ASSERT_TRUE(running.WaitRefreshes(2));
    const std::string reply = GetURL(running.BaseUrl() + "d=10&t=0&s=");
    EXPECT_EQ(reply.rfind("10|Demo+0|oa%5Fdm1|2%2F8|", 0), 0u) << reply;
    EXPECT_NE(reply.find("|localhost:"), std::string::npos) << reply;
}

TEST(Address, OneServerConfiguredUnderTwoSpellingsShowsUpUnderBoth) {
    RunningService running(RunningService::FastConfig(), 1, "127.0.0.1", "127.0.0.1", "localhost");
    ASSERT_TRUE(running.WaitRefreshes(3));
    const std::string reply = GetURL(running.BaseUrl() + "d=10,11&t=0&s=");
    EXPECT_NE(reply.find("10|Demo+0|oa%5Fdm1|2%2F8|"), std::string::npos) << reply;
    EXPECT_NE(reply.find("11|Demo+0|oa%5Fdm1|2%2F8|"), std::string::npos) << reply;
    // A lookup by either spelling finds the entry of that spelling; none is added.
    const std::string port = std::to_string(running.gamePort(0));
    EXPECT_EQ(GetURL(running.BaseUrl() + "r=localhost:" + port + ",10"), "11|Demo+0\n");
    EXPECT_EQ(GetURL(running.BaseUrl() + "r=127.0.0.1:" + port + ",10"), "10|Demo+0\n");
}

TEST(Address, IpServersAreWatchedLookedUpAndServedOverIpv6) {
    if (!HostHasIpv6Loopback()) {
        GTEST_SKIP() << "no IPv6 loopback on this host";
    }
    Config config = RunningService::FastConfig();
    config.listenAddress = "::1";
    RunningService running(config, 5, "::1");
    ASSERT_TRUE(running.WaitRefreshes(2));
    const auto get = [&](const std::string& query) {
        return lindrel::test::BodyOf(lindrel::test::RawExchange(
            "::1", running.httpPort(), lindrel::test::GetRequest("/?" + query), 5000, "::1"));
    };
    EXPECT_EQ(get("d=20&t=0&s=").rfind("20|Demo+1|oa%5Fdm2|", 0), 0u);
    const std::string port = std::to_string(running.gamePort(1));
    EXPECT_EQ(get("r=[::1]:" + port + ",10"), "20|Demo+1\n");
    EXPECT_EQ(get("r=::1:" + port + ",10"), "20|Demo+1\n");
}

TEST(Address, ALookedUpNameMustResolveInsideTheAllowList) {
    FakeGameServer named;
    Config config = RunningService::FastConfig();
    config.lookups.allow = {*ParseNetwork("127.0.0.2/32")};
    {
        RunningService running(config);
        EXPECT_EQ(GetURL(running.BaseUrl() + "r=localhost:" + std::to_string(named.port()) + ",10"),
                  "NO SERVER FOUND\n");
        EXPECT_FALSE(named.AnswerOne("", 200));
    }
    config.lookups.allow = {*ParseNetwork("127.0.0.0/8")};
    RunningService running(config);
    std::thread answer([&] { named.AnswerOne(FakeGameServer::StatusReply("Named"), 3000); });
    EXPECT_EQ(GetURL(running.BaseUrl() + "r=localhost:" + std::to_string(named.port()) + ",10"),
              "100|Named\n");
    answer.join();
    // The same server by its address is the same server.
    EXPECT_EQ(GetURL(running.BaseUrl() + "r=127.0.0.1:" + std::to_string(named.port()) + ",10"),
              "100|Named\n");
}

} // namespace
} // namespace lindrel::stats
