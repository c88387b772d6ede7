#include "service/HttpFetch.h"

#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnv.h"

#include <chrono>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

using test::HttpReply;
using test::LoopbackHttpServer;
using namespace std::chrono_literals;

std::string Bytes(std::size_t count) {
    std::string body;
    for (std::size_t i = 0; i < count; ++i) {
        body += static_cast<char>('a' + i % 26);
    }
    return body;
}

TEST(GetURL, ReturnsTheBodyExactly) {
    for (const std::size_t size : {0u, 1u, 255u, 256u, 257u, 70000u}) {
        const std::string body = Bytes(size);
        LoopbackHttpServer server([&](const std::string&) { return HttpReply::Text(body); });
        EXPECT_EQ(GetURL(server.BaseUrl() + "f=1"), body) << size;
    }
}

TEST(GetURL, SendsTheQueryAsGivenAndDropsNulBytes) {
    LoopbackHttpServer server(
        [](const std::string&) { return HttpReply::Text(std::string("a\0b\0\0c", 6)); });
    EXPECT_EQ(GetURL(server.BaseUrl() + "d=7,4,,6,9&t=0,0,0,0,0&s="), "abc");
    EXPECT_EQ(server.Targets(), std::vector<std::string>{"/?d=7,4,,6,9&t=0,0,0,0,0&s="});
}

TEST(GetURL, AnErrorPageIsTheReply) {
    LoopbackHttpServer server([](const std::string&) { return HttpReply::Text("oops\n", 500); });
    EXPECT_EQ(GetURL(server.BaseUrl() + "x"), "oops\n");
}

TEST(GetURL, ConnectionThatBreaksOffGivesThePartRead) {
    LoopbackHttpServer server(
        [](const std::string&) { return HttpReply::BrokenOff("first part", 5000); });
    EXPECT_EQ(GetURL(server.BaseUrl() + "x"), "first part");
}

TEST(GetURL, IgnoresProxySettingsOfTheEnvironment) {
    LoopbackHttpServer server([](const std::string&) { return HttpReply::Text("direct"); });
    const int deadPort = test::UnusedLoopbackPort();
    const std::string proxy = "http://127.0.0.1:" + std::to_string(deadPort);
    const test::ScopedEnv http("http_proxy", proxy);
    const test::ScopedEnv all("ALL_PROXY", proxy);
    EXPECT_EQ(GetURL(server.BaseUrl() + "x"), "direct");
}

TEST(GetURL, FailuresGiveAnEmptyTextWithinTheBounds) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(GetURL("http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/?f=1"),
              "");
    EXPECT_EQ(GetURL("not a url"), "");
    EXPECT_EQ(GetURL(""), "");

    LoopbackHttpServer silent([](const std::string&) { return HttpReply::Silent(); });
    FetchLimits limits;
    limits.totalTimeout = 800ms;
    EXPECT_EQ(GetURL(silent.BaseUrl() + "f=1", limits), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(GetURL, DefaultBoundsAreTheDocumentedOnes) {
    const FetchLimits limits;
    EXPECT_EQ(limits.connectTimeout, 10s);
    EXPECT_EQ(limits.totalTimeout, 30s);
    EXPECT_EQ(limits.maxBodyBytes, 1u << 20);
}

TEST(GetURL, BodyPastTheCapIsCutThere) {
    const std::string huge = Bytes(3 << 20);
    LoopbackHttpServer server([&](const std::string&) { return HttpReply::Text(huge); });
    const std::string reply = GetURL(server.BaseUrl() + "x");
    EXPECT_EQ(reply.size(), 1u << 20);
    EXPECT_EQ(reply, huge.substr(0, 1 << 20));

    FetchLimits small;
    small.maxBodyBytes = 10;
    EXPECT_EQ(GetURL(server.BaseUrl() + "x", small), huge.substr(0, 10));
}

} // namespace
} // namespace lindrel
