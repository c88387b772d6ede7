// Webhooks against a real HTTP receiver on loopback (webhook_receiver.py): events go out
// once each, under the down rule, to receivers that work, fail, are slow or are gone,
// and none of it holds up the poller.
#include "WebhookReceiver.h"
#include "support/RawHttp.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using namespace std::chrono_literals;

TEST(Webhooks, DownAndBackAreSentOnceEachAfterTheMissesInARow) {
    Receiver receiver;
    test::RunningService service(WithHooks({Hook(receiver.Url("/ok"))}), 2);
    ASSERT_TRUE(service.WaitRefreshes(3));

    service.SetAnswering(1, false);
    const auto downFrom =
        service.OnIo([&] { return service.registry().servers()[1].missedInARow; });
    const auto down = receiver.Next();
    ASSERT_TRUE(down);
    EXPECT_EQ(downFrom, 0);
    EXPECT_TRUE(service.OnIo([&] { return service.registry().servers()[1].missedInARow >= 2; }));
    EXPECT_TRUE(down->json) << down->body;
    EXPECT_EQ(down->contentType, "application/json");
    EXPECT_NE(down->body.find("\"event\":\"down\",\"server\":{\"id\":20,\"name\":\"Demo 1\""),
              std::string::npos)
        << down->body;
    EXPECT_FALSE(receiver.Next(1s)) << "down is told once";

    service.SetAnswering(1, true);
    const auto back = receiver.Next();
    ASSERT_TRUE(back);
    EXPECT_NE(back->body.find("\"event\":\"back\""), std::string::npos) << back->body;
    EXPECT_NE(back->body.find("\"map\":\"oa_dm2\""), std::string::npos) << back->body;
    EXPECT_FALSE(receiver.Next(1s)) << "back is told once";
}

TEST(Webhooks, AWantedPlayerJoiningIsToldOnceAndLeavingIsNot) {
    Receiver receiver;
    WebhookEntry hook = Hook(receiver.Url("/ok"), {"sarge"});
    hook.down = hook.back = false;
    test::RunningService service(WithHooks({hook}), 1);
    service.SetPlayers(0, {"Anarki", "Visor"});
    ASSERT_TRUE(service.WaitRefreshes(3));

    service.SetPlayers(0, {"Anarki", "Visor", "^1Sar^7ge", "Major"});
    const auto joined = receiver.Next();
    ASSERT_TRUE(joined);
    EXPECT_NE(joined->body.find("\"event\":\"player\""), std::string::npos) << joined->body;
    EXPECT_NE(joined->body.find("\"player\":\"Sarge\""), std::string::npos) << joined->body;
    EXPECT_FALSE(receiver.Next(1s)) << "Major is not wanted, and Sarge is told once";

    service.SetPlayers(0, {"Anarki"});
    EXPECT_FALSE(receiver.Next(1s)) << "leaving is no event";

    service.SetPlayers(0, {"Anarki", "SARGE|clan"});
    const auto again = receiver.Next();
    ASSERT_TRUE(again);
    EXPECT_NE(again->body.find("\"player\":\"SARGE|clan\""), std::string::npos) << again->body;
}

TEST(Webhooks, AFailingReceiverIsTriedAgainUntilItTakesTheMessage) {
    Receiver receiver;
    test::RunningService service(WithHooks({Hook(receiver.Url("/flaky/2"))}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);
    for (const int status : {500, 500, 204}) {
        const auto got = receiver.Next();
        ASSERT_TRUE(got);
        EXPECT_EQ(got->status, status);
        EXPECT_NE(got->body.find("\"event\":\"down\""), std::string::npos);
    }
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 1"));
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_retries_total 2"));
}

TEST(Webhooks, AReceiverThatFailsOrIsGoneIsGivenUpAfterItsRetries) {
    Receiver receiver;
    WebhookEntry gone = Hook(
        "http://127.0.0.1:" + std::to_string(lindrel::test::UnusedLoopbackTcpPort()) + "/hook");
    WebhookEntry refused = Hook(receiver.Url("/gone"));
    test::RunningService service(WithHooks({Hook(receiver.Url("/fail")), gone, refused}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);

    std::map<std::string, int> posts;
    while (const auto got = receiver.Next(1500ms)) {
        ++posts[got->path];
    }
    EXPECT_EQ(posts["/fail"], 3) << "the first try and two retries";
    EXPECT_EQ(posts["/gone"], 1) << "a 404 is not tried again";
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 3"));
    EXPECT_TRUE(service.WaitRefreshes(2)) << "the poller goes on";
}

TEST(Webhooks, ASlowReceiverTimesOutWithoutHoldingUpThePoller) {
    Receiver receiver;
    WebhookEntry slow = Hook(receiver.Url("/slow/4000"));
    slow.timeout = 300ms;
    slow.retries = 1;
    test::RunningService service(WithHooks({slow}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);
    ASSERT_TRUE(receiver.Next()) << "the receiver got the first try";

    // While the receiver sits on it, refreshes and the monitor's polls go on as ever.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(service.WaitRefreshes(3));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    const auto poll = lindrel::test::RawExchange("127.0.0.1", service.httpPort(),
                                                 lindrel::test::GetRequest("/?d=10&t=0&s="), 1000);
    EXPECT_EQ(lindrel::test::StatusOf(poll), 200);
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 1"));
}

TEST(Webhooks, StoppingTheServiceEndsAPostInFlightAtOnce) {
    Receiver receiver;
    WebhookEntry slow = Hook(receiver.Url("/slow/30000"));
    slow.timeout = 60s;
    auto service = std::make_unique<test::RunningService>(WithHooks({slow}), 1);
    ASSERT_TRUE(service->WaitRefreshes(3));
    service->SetAnswering(0, false);
    ASSERT_TRUE(receiver.Next()) << "the post is in flight";
    const auto stopping = std::chrono::steady_clock::now();
    service.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s);
}

// A loopback HTTPS receiver with a certificate for "localhost" that only the test trusts.
class TlsReceiver : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost "
            "-addext subjectAltName=DNS:localhost -keyout " +
            (dir_ / "key.pem").string() + " -out " + certificate() + " 2>/dev/null && cat " +
            (dir_ / "key.pem").string() + " " + certificate() + " > " + pem();
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string certificate() const { return (dir_ / "cert.pem").string(); }
    std::string pem() const { return (dir_ / "both.pem").string(); }

    lindrel::test::TempDir dir_;
};

TEST_F(TlsReceiver, HttpsIsSentOnlyToACertificateTrustedForTheUrlsHost) {
    Receiver receiver(pem());
    // The service trusts what OpenSSL's SSL_CERT_FILE names, as every OpenSSL program does.
    const lindrel::test::ScopedEnv trust("SSL_CERT_FILE", certificate());
    WebhookEntry trusted = Hook(receiver.Url("/trusted", "localhost"));
    WebhookEntry wrongName = Hook(receiver.Url("/by-address"));
    trusted.retries = wrongName.retries = 0;
    test::RunningService service(WithHooks({trusted, wrongName}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);

    const auto got = receiver.Next();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->path, "/trusted");
    EXPECT_TRUE(got->json);
    EXPECT_FALSE(receiver.Next(1s)) << "the certificate does not name 127.0.0.1";
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 1"));
}

TEST_F(TlsReceiver, HttpsToAnUntrustedCertificateIsNotSent) {
    Receiver receiver(pem());
    const lindrel::test::ScopedEnv trust("SSL_CERT_FILE", std::nullopt);
    WebhookEntry hook = Hook(receiver.Url("/untrusted", "localhost"));
    hook.retries = 0;
    test::RunningService service(WithHooks({hook}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);
    EXPECT_FALSE(receiver.Next(1500ms));
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 1"));
}

} // namespace
} // namespace lindrel::stats
