// Webhooks against receivers that redirect, never finish their answer, ask the service
// to slow down or get a burst, with a real HTTP receiver on loopback
// (webhook_receiver.py); and the threshold event.
#include "WebhookReceiver.h"
#include "config/ConfigFile.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using Steady = std::chrono::steady_clock;

// Everything that arrives within quiet of the one before, by path.
std::map<std::string, int> PostsUntilQuiet(Receiver& receiver, std::chrono::milliseconds quiet) {
    std::map<std::string, int> posts;
    while (const auto got = receiver.Next(quiet)) {
        ++posts[got->path];
    }
    return posts;
}

TEST(WebhookLimits, AWebhookIsNamedByItsLabelNeverByItsSecretPath) {
    Receiver receiver;
    std::string error;
    const auto configured = ParseConfig(
        "[[notify]]\nurl = \"" + receiver.Url("/gone/1234/s3cr3t-t0ken") +
            "\"\nformat = \"discord\"\n[[notify]]\nname = \"clan chat\"\nurl = \"" +
            receiver.Url("/fail/1234/s3cr3t-t0ken") + "\"\nformat = \"slack\"\nretries = 0\n",
        "test.toml", error);
    ASSERT_TRUE(configured) << error;
    test::RunningService service(WithHooks(configured->notify), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    ::testing::internal::CaptureStderr();
    service.SetAnswering(0, false);
    const auto posts = PostsUntilQuiet(receiver, 1500ms);
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 2"));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(posts.size(), 2u);
    EXPECT_NE(log.find("webhook notify[0] at 127.0.0.1 answered 404"), std::string::npos) << log;
    EXPECT_NE(log.find("webhook \"clan chat\" at 127.0.0.1 failed: status 500"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("s3cr3t"), std::string::npos) << log;
    EXPECT_EQ(Metrics(service).find("s3cr3t"), std::string::npos);
}

TEST(WebhookLimits, ARedirectEndsTheMessageAndIsNotFollowed) {
    Receiver receiver;
    test::RunningService service(WithHooks({Hook(receiver.Url("/redirect"))}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);
    const auto posts = PostsUntilQuiet(receiver, 1500ms);
    EXPECT_EQ(posts, (std::map<std::string, int>{{"/redirect", 1}})) << "not /ok, not again";
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 1"));
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_retries_total 0"));
}

TEST(WebhookLimits, A2xxStatusIsADeliveryWhateverFollowsIt) {
    Receiver receiver;
    test::RunningService service(
        WithHooks({Hook(receiver.Url("/endless")), Hook(receiver.Url("/huge"))}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);
    const auto posts = PostsUntilQuiet(receiver, 1500ms);
    EXPECT_EQ(posts, (std::map<std::string, int>{{"/endless", 1}, {"/huge", 1}}));
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 2"));
}

TEST(WebhookLimits, ARateLimitedReceiverIsGivenTheWaitItAsksFor) {
    for (const auto& [path, asked] :
         {std::pair("/limited/2", 2000ms), std::pair("/discord", 1500ms)}) {
        Receiver receiver;
        test::RunningService service(WithHooks({Hook(receiver.Url(path))}), 1);
        ASSERT_TRUE(service.WaitRefreshes(3));
        service.SetAnswering(0, false);
        ASSERT_TRUE(receiver.Next()) << path;
        const auto limited = Steady::now();
        const auto again = receiver.Next(5s);
        ASSERT_TRUE(again) << path;
        EXPECT_EQ(again->status, 204);
        // The line arrives a little after the post; the wait is measured from the 429's.
        EXPECT_GE(Steady::now() - limited, asked - 100ms) << path << ": not the 20 ms back-off";
        EXPECT_TRUE(
            MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 1"));
    }
}

TEST(WebhookLimits, JoinsOfOneRefreshAreOneMessageAndPerMinuteHolds) {
    Receiver receiver;
    WebhookEntry hook = Hook(receiver.Url("/ok"), {"sarge"});
    hook.perMinute = 2;
    test::RunningService service(WithHooks({hook}), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));

    std::vector<std::string> crowd{"Anarki"};
    for (int i = 1; i <= 150; ++i) {
        crowd.push_back("Sarge" + std::to_string(i));
    }
    service.SetPlayers(0, crowd);
    const auto joined = receiver.Next();
    ASSERT_TRUE(joined);
    EXPECT_TRUE(joined->json) << joined->body;
    EXPECT_NE(joined->body.find("\"joined\":150"), std::string::npos) << joined->body;
    EXPECT_NE(joined->body.find("\"player\":\"Sarge1\""), std::string::npos) << joined->body;
    EXPECT_EQ(joined->body.find("Anarki"), std::string::npos) << "not wanted";
    EXPECT_EQ(joined->body.find("Sarge21\""), std::string::npos) << "twenty names at most";
    EXPECT_FALSE(receiver.Next(1s)) << "one message for the whole refresh";

    // Two requests a minute: the first join and this one; the third waits its minute.
    service.SetPlayers(0, {"Anarki", "Sarge-2nd"});
    ASSERT_TRUE(receiver.Next());
    service.SetPlayers(0, {"Anarki", "Sarge-3rd"});
    EXPECT_FALSE(receiver.Next(2s)) << "over the webhook's per_minute";
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 2"));
}

TEST(WebhookLimits, AThresholdIsToldOnceUntilThePlayersFallBelowItForAWhile) {
    Receiver receiver;
    WebhookEntry hook = Hook(receiver.Url("/ok"));
    hook.down = hook.back = hook.player = false;
    hook.atLeast = true;
    hook.minPlayers = 3;
    test::RunningService service(WithHooks({hook}), 1);
    service.SetPlayers(0, {"A"});
    ASSERT_TRUE(service.WaitRefreshes(3));

    const auto players = [&](int count) {
        service.SetPlayers(0, std::vector<std::string>(static_cast<std::size_t>(count), "Visor"));
        ASSERT_TRUE(service.WaitRefreshes(2));
    };
    players(3);
    const auto reached = receiver.Next();
    ASSERT_TRUE(reached);
    EXPECT_NE(reached->body.find("\"event\":\"players_at_least\""), std::string::npos)
        << reached->body;
    EXPECT_NE(reached->body.find("\"online\":3,\"min_players\":3"), std::string::npos)
        << reached->body;
    for (const int count : {2, 3, 2, 4, 2, 3}) {
        players(count); // a refresh or two below it: flapping
    }
    EXPECT_FALSE(receiver.Next(500ms)) << "flapping around the threshold is no news";

    players(0);
    ASSERT_TRUE(service.WaitRefreshes(ServerEvents::kRearmAfterRefreshes));
    players(5);
    const auto again = receiver.Next();
    ASSERT_TRUE(again) << "fallen below it and risen again";
    EXPECT_NE(again->body.find("\"online\":5"), std::string::npos) << again->body;
    EXPECT_FALSE(receiver.Next(500ms));
}

} // namespace
} // namespace lindrel::stats
