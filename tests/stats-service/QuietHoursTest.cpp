// Quiet hours: windows read as the configuration writes them, weekly ones past midnight;
// a quiet server sends no event and shows as in maintenance on every page, and one told
// down before its window is told back when the window ends with it up. Webhooks go to a
// real HTTP receiver on loopback (webhook_receiver.py).
#include "WebhookReceiver.h"
#include "config/ConfigFile.h"
#include "support/RawHttp.h"

#include <gtest/gtest.h>
#include <thread>

namespace lindrel::stats {
namespace {

constexpr int kSaturday = 6;
constexpr int kSunday = 0;

LocalClock At(int weekday, int hour, int minute) {
    return {weekday, hour * 3600 + minute * 60};
}

std::string Get(const test::RunningService& service, const std::string& target) {
    return lindrel::test::BodyOf(lindrel::test::RawExchange("127.0.0.1", service.httpPort(),
                                                            lindrel::test::GetRequest(target)));
}

std::optional<Config> Parse(const std::string& text, std::string& error) {
    return ParseConfig("[[servers]]\nid = 5\naddress = \"127.0.0.1\"\nport = 27999\n" + text,
                       "quiet.toml", error);
}

TEST(QuietHours, WindowsReadAsWrittenAndWeeklyOnesRunPastMidnight) {
    std::string error;
    const auto config = Parse("[[quiet]]\nservers = [5]\ndays = [\"sat\"]\nfrom = 23:00:00\n"
                              "to = 02:00:00\n"
                              "[[quiet]]\nstart = 2026-12-24T20:00:00+01:00\n"
                              "end = 2026-12-24T21:00:00Z\n",
                              error);
    ASSERT_TRUE(config) << error;
    ASSERT_EQ(config->quiet.size(), 2u);
    const std::int64_t christmasEve = 1'798'138'800; // 2026-12-24T19:00:00Z
    EXPECT_EQ(config->quiet[1].start, christmasEve) << "the offset is taken into account";
    EXPECT_EQ(config->quiet[1].end, christmasEve + 7200);

    const std::vector<QuietWindow> saturdayNight{config->quiet[0]};
    EXPECT_TRUE(IsQuiet(saturdayNight, 5, 0, At(kSaturday, 23, 30)));
    EXPECT_TRUE(IsQuiet(saturdayNight, 5, 0, At(kSunday, 1, 59)))
        << "past midnight, on the morning after the day it names";
    EXPECT_FALSE(IsQuiet(saturdayNight, 5, 0, At(kSunday, 2, 0)));
    EXPECT_FALSE(IsQuiet(saturdayNight, 5, 0, At(kSaturday, 1, 0))) << "Friday is not named";
    EXPECT_FALSE(IsQuiet(saturdayNight, 5, 0, At(kSunday, 23, 30)));
    EXPECT_FALSE(IsQuiet(saturdayNight, 6, 0, At(kSaturday, 23, 30))) << "another server";

    const std::vector<QuietWindow> once{config->quiet[1]};
    EXPECT_TRUE(IsQuiet(once, 6, christmasEve, At(kSunday, 0, 0))) << "every server";
    EXPECT_FALSE(IsQuiet(once, 6, christmasEve - 1, At(kSunday, 0, 0)));
    EXPECT_FALSE(IsQuiet(once, 6, christmasEve + 7200, At(kSunday, 0, 0))) << "end is out";

    for (const auto& [text, key] : std::vector<std::pair<std::string, std::string>>{
             {"days = [\"caturday\"]\nfrom = 01:00:00\nto = 02:00:00\n", "quiet[0].days"},
             {"days = []\nfrom = 01:00:00\nto = 02:00:00\n", "quiet[0].days"},
             {"days = [\"mon\"]\nfrom = \"1am\"\nto = 02:00:00\n", "quiet[0].from"},
             {"days = [\"mon\"]\nfrom = 02:00:00\nto = 02:00:00\n", "quiet[0].to"},
             {"days = [\"mon\"]\nfrom = 01:00:00\n", "quiet[0].to"},
             {"start = 2026-12-24T20:00:00Z\nend = 2026-12-24T19:00:00Z\n", "quiet[0].end"},
             {"start = 2026-12-24T20:00:00\nend = 2026-12-24T21:00:00Z\n", "quiet[0].start"},
             {"days = [\"mon\"]\nfrom = 01:00:00\nto = 02:00:00\nstart = 2026-12-24T20:00:00Z\n",
              "quiet[0] needs either"},
             {"servers = [999]\nstart = 2026-12-24T20:00:00Z\nend = 2026-12-25T20:00:00Z\n",
              "quiet[0].servers names server 999"},
         }) {
        EXPECT_FALSE(Parse("[[quiet]]\n" + text, error)) << text;
        EXPECT_NE(error.find(key), std::string::npos) << text << " gave: " << error;
    }
}

TEST(QuietHours, AQuietServerSendsNoEventsAndShowsInMaintenanceEverywhere) {
    Receiver receiver;
    Config config = WithHooks({Hook(receiver.Url("/ok"))});
    const auto now = WallSeconds();
    config.quiet = {{{10}, 0, 0, 0, now - 60, now + 3600}};
    test::RunningService service(config, 2);
    ASSERT_TRUE(service.WaitRefreshes(3));

    service.SetAnswering(0, false);
    service.SetAnswering(1, false);
    const auto down = receiver.Next();
    ASSERT_TRUE(down);
    EXPECT_NE(down->body.find("\"id\":20"), std::string::npos) << down->body;
    EXPECT_FALSE(receiver.Next(1s)) << "server 10 is quiet";

    const std::string servers = Get(service, "/api/servers");
    EXPECT_NE(servers.find("\"id\":10,"), std::string::npos);
    EXPECT_NE(servers.find("\"maintenance\":true}"), std::string::npos) << servers;
    EXPECT_NE(servers.find("\"maintenance\":false}"), std::string::npos) << servers;
    EXPECT_TRUE(
        MetricsShow(service, "lindrel_stats_server_maintenance{id=\"10\",name=\"Demo 0\"} 1"));
    EXPECT_TRUE(
        MetricsShow(service, "lindrel_stats_server_maintenance{id=\"20\",name=\"Demo 1\"} 0"));
    EXPECT_NE(Get(service, "/").find("<dt>Status</dt><dd>Maintenance</dd>"), std::string::npos);
    EXPECT_NE(Get(service, "/badge/10.svg").find(">maintenance</text>"), std::string::npos);
}

TEST(QuietHours, AServerToldDownBeforeItsWindowIsToldBackWhenTheWindowEndsWithItUp) {
    Receiver receiver;
    Config config = WithHooks({Hook(receiver.Url("/ok"))});
    const auto now = WallSeconds();
    config.quiet = {{{10}, 0, 0, 0, now + 2, now + 5}};
    test::RunningService service(config, 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    service.SetAnswering(0, false);
    const auto down = receiver.Next();
    ASSERT_TRUE(down);
    EXPECT_NE(down->body.find("\"event\":\"down\""), std::string::npos) << down->body;

    // Back in the window: dropped; the window's end tells it.
    while (WallSeconds() < now + 3) {
        std::this_thread::sleep_for(100ms);
    }
    service.SetAnswering(0, true);
    EXPECT_FALSE(receiver.Next(1500ms)) << "nothing while quiet";
    const auto back = receiver.Next(5s);
    ASSERT_TRUE(back) << "back, once the window ended";
    EXPECT_NE(back->body.find("\"event\":\"back\""), std::string::npos) << back->body;
    EXPECT_GE(WallSeconds(), now + 5);
}

} // namespace
} // namespace lindrel::stats
