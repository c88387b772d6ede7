// The service's pages for people and programs, checked by the tools those people and
// programs would use: an HTML5 checker (tidy), a JSON parser (Python's), Prometheus's
// own metrics checker (promtool).
#include "RunningService.h"
#include "pages/Badge.h"
#include "pages/JsonApi.h"
#include "pages/StatusPage.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using lindrel::test::BodyOf;
using lindrel::test::GetRequest;
using lindrel::test::RawExchange;
using lindrel::test::StatusOf;

std::string Get(const test::RunningService& service, const std::string& target,
                const std::string& from = "127.0.0.1") {
    return RawExchange(from, service.httpPort(), GetRequest(target));
}

// Runs `command` with text as its standard input; its exit status.
int Check(const std::string& command, const std::string& text) {
    lindrel::test::TempDir dir;
    std::ofstream(dir / "input") << text;
    const std::string line =
        command + " < " + (dir / "input").string() + " > " + (dir / "output").string() + " 2>&1";
    const int status = std::system(line.c_str());
    if (status != 0) {
        std::cerr << lindrel::test::ReadFile(dir / "output");
    }
    return status;
}

int CheckHtml(const std::string& page) {
    return Check("tidy -errors -quiet", page);
}

Config WithHistory(const lindrel::test::TempDir& dir) {
    Config config = test::RunningService::FastConfig();
    config.historyFile = (dir / "history").string();
    config.pageTitle = "Our <clan> servers";
    return config;
}

TEST(WebPages, TheStatusPageIsValidHtml5AtBothPaths) {
    lindrel::test::TempDir dir;
    test::RunningService service(WithHistory(dir), 3);
    ASSERT_TRUE(service.WaitRefreshes(2));
    const std::string reply = Get(service, "/");
    ASSERT_EQ(StatusOf(reply), 200) << reply;
    EXPECT_NE(reply.find("Content-Type: text/html; charset=utf-8\r\n"), std::string::npos);
    const std::string page = BodyOf(reply);
    EXPECT_EQ(CheckHtml(page), 0) << page;
    EXPECT_NE(page.find("<h1>Our &lt;clan&gt; servers</h1>"), std::string::npos);
    for (const char* name : {"Demo 0", "Demo 1", "Demo 2"}) {
        EXPECT_NE(page.find(std::string("<h2>") + name + "</h2>"), std::string::npos) << name;
    }
    EXPECT_NE(page.find("<polyline points="), std::string::npos) << "a chart with a line";
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(BodyOf(Get(service, "/status")), page) << "one page, two paths";
}

TEST(WebPages, EveryAnswerForbidsSniffingAndThePageRunsNothingOfItsOwn) {
    Config config = test::RunningService::FastConfig();
    test::RunningService open(config, 1);
    for (const char* target : {"/", "/api/servers", "/metrics", "/nothing", "/?f=1", "/?d=10"}) {
        const std::string reply = Get(open, target);
        EXPECT_NE(reply.find("\r\nX-Content-Type-Options: nosniff\r\n"), std::string::npos)
            << target << ": " << reply;
    }
    const std::string refused =
        RawExchange("127.0.0.1", open.httpPort(), "POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(StatusOf(refused), 405);
    EXPECT_NE(refused.find("\r\nX-Content-Type-Options: nosniff\r\n"), std::string::npos);
    const std::string policy = "\r\nContent-Security-Policy: default-src 'none'; style-src "
                               "'unsafe-inline'; img-src data:; base-uri 'none'; "
                               "form-action 'none'";
    EXPECT_NE(Get(open, "/").find(policy + "\r\n"), std::string::npos) << "any site may frame it";
    EXPECT_EQ(Get(open, "/api/servers").find("Content-Security-Policy"), std::string::npos);

    config.pageFrameAncestors = "https://clan.example 'self'";
    test::RunningService framed(config, 1);
    EXPECT_NE(
        Get(framed, "/status").find(policy + "; frame-ancestors https://clan.example 'self'\r\n"),
        std::string::npos);
}

TEST(WebPages, AHostileServerNameStaysTextOnTheValidPage) {
    ServerView view;
    view.id = 7;
    view.name = "<script>alert(1)</script> \x93quoted\x94 & \x01"
                "bell";
    view.address = "127.0.0.1:27960";
    view.up = true;
    view.map = "q3dm17\"><img src=x>";
    view.maxPlayers = 16;
    view.players = 3;
    view.chart.assign(Trends::kChartSlots, -1);
    view.chart[10] = 4; // a lone five minutes still shows
    const std::string page = StatusPageHtml("Title", {view}, 1'800'000'000);
    EXPECT_EQ(CheckHtml(page), 0) << page;
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt; \u201cquoted\u201d &amp; bell"),
              std::string::npos)
        << "Windows-1252 quotes become UTF-8; a control character goes";
    EXPECT_NE(page.find("<polyline points=\"10,"), std::string::npos);
    EXPECT_NE(page.find("2027-01-15 08:00 UTC"), std::string::npos);

    const std::string json = ServersJson({view}, 1);
    EXPECT_EQ(Check("python3 -c 'import json,sys; d=json.load(sys.stdin); "
                    "assert d[\"servers\"][0][\"name\"].startswith(\"<script>\")'",
                    json),
              0)
        << json;
}

TEST(WebPages, TheBadgeIsAnSvgOfTheServersStateWithItsNameAsText) {
    test::RunningService service(test::RunningService::FastConfig(), 2);
    ASSERT_TRUE(service.WaitRefreshes(3));
    const std::string up = Get(service, "/badge/10.svg");
    EXPECT_EQ(StatusOf(up), 200) << up;
    EXPECT_NE(up.find("\r\nContent-Type: image/svg+xml\r\n"), std::string::npos) << up;
    EXPECT_NE(up.find("\r\nCache-Control: max-age=1\r\n"), std::string::npos)
        << "a refresh's interval, at least a second: " << up;
    EXPECT_NE(up.find("\r\nX-Content-Type-Options: nosniff\r\n"), std::string::npos);
    const std::string readsAs =
        "python3 -c 'import sys, xml.etree.ElementTree as t; r=t.parse(sys.stdin).getroot(); "
        "texts=[e.text for e in r.iter(\"{http://www.w3.org/2000/svg}text\")]; ";
    EXPECT_EQ(Check(readsAs + "sys.exit(texts != [\"Demo 0\", \"2/8\"])'", BodyOf(up)), 0)
        << BodyOf(up);

    service.SetAnswering(1, false);
    ASSERT_TRUE(service.WaitRefreshes(3));
    EXPECT_EQ(
        Check(readsAs + "sys.exit(texts[1] != \"down\")'", BodyOf(Get(service, "/badge/20.svg"))),
        0);
    for (const char* unknown : {"/badge/99.svg", "/badge/10.png", "/badge/", "/badge/x.svg"}) {
        EXPECT_EQ(StatusOf(Get(service, unknown)), 404) << unknown;
    }

    // Whatever a name holds stays its text: the badge is XML.
    const std::string hostile =
        BadgeSvg("</text><script>alert(1)</script>&amp;\"'", BadgeState::Up, 1, 2);
    EXPECT_EQ(hostile.find("<script"), std::string::npos) << hostile;
    EXPECT_EQ(
        Check(readsAs +
                  "sys.exit(texts[0] != \"</text><script>alert(1)</script>&amp;\\\"\" + chr(39))'",
              hostile),
        0)
        << hostile;
}

TEST(WebPages, TheJsonApiListsTheServersAndTheirHistory) {
    lindrel::test::TempDir dir;
    test::RunningService service(WithHistory(dir), 2);
    ASSERT_TRUE(service.WaitRefreshes(3));
    const std::string list = Get(service, "/api/servers");
    ASSERT_EQ(StatusOf(list), 200);
    EXPECT_NE(list.find("Content-Type: application/json\r\n"), std::string::npos);
    EXPECT_EQ(Check("python3 -c 'import json,sys; d=json.load(sys.stdin); s=d[\"servers\"]; "
                    "assert [x[\"id\"] for x in s][:2] == [10, 20]; assert s[0][\"up\"] is True; "
                    "assert s[0][\"map\"] == \"oa_dm1\"; assert s[0][\"max_players\"] == 8; "
                    "assert 0 <= s[0][\"uptime_24h\"] <= 1'",
                    BodyOf(list)),
              0)
        << list;

    // The history file is written on its own thread, a moment after each refresh.
    std::string history;
    for (int tries = 0; tries < 50 && history.find("\"time\"") == std::string::npos; ++tries) {
        service.WaitRefreshes(1);
        history = BodyOf(Get(service, "/api/servers/10/history?hours=1"));
    }
    EXPECT_EQ(Check("python3 -c 'import json,sys; d=json.load(sys.stdin); "
                    "assert d[\"id\"] == 10 and d[\"hours\"] == 1; p=d[\"points\"]; "
                    "assert p and p[-1][\"up\"] and p[-1][\"map\"] == \"oa_dm1\"; "
                    "assert [x[\"time\"] for x in p] == sorted(x[\"time\"] for x in p)'",
                    history),
              0)
        << history;
    EXPECT_EQ(StatusOf(Get(service, "/api/servers/10/history")), 200) << "24 hours by default";

    for (const auto& [target, status] :
         std::vector<std::pair<std::string, int>>{{"/api/servers/10/history?hours=0", 400},
                                                  {"/api/servers/10/history?hours=2161", 400},
                                                  {"/api/servers/10/history?hours=x", 400},
                                                  {"/api/servers/99/history", 404},
                                                  {"/api/servers/10/players", 404},
                                                  {"/api/servers/", 404},
                                                  {"/nothing", 404}}) {
        EXPECT_EQ(StatusOf(Get(service, target)), status) << target;
    }
}

TEST(WebPages, WithoutAHistoryFileThePageStillDrawsWhatTheServiceSaw) {
    lindrel::test::TempDir dir;
    Config unwritable = test::RunningService::FastConfig();
    unwritable.historyFile = (dir / "no-such-folder" / "history").string();
    for (const Config& config : {test::RunningService::FastConfig(), unwritable}) {
        test::RunningService service(config, 1); // starts all the same
        ASSERT_TRUE(service.WaitRefreshes(2));
        EXPECT_NE(BodyOf(Get(service, "/")).find("<polyline points="), std::string::npos);
        const std::string history = Get(service, "/api/servers/10/history?hours=1");
        EXPECT_EQ(StatusOf(history), 404);
        EXPECT_NE(history.find("keeps no history"), std::string::npos);
    }
}

TEST(WebPages, MetricsPassPromtoolAndCountWhatTheServiceDid) {
    lindrel::test::TempDir dir;
    test::RunningService service(WithHistory(dir), 2);
    ASSERT_TRUE(service.WaitRefreshes(2));
    service.SetAnswering(1, false);
    ASSERT_TRUE(service.WaitRefreshes(3));
    Get(service, "/?d=10,20&t=0,0&s=");
    Get(service, "/?r=127.0.0.1%3A" + std::to_string(service.gamePort(0)) + ",10");
    ASSERT_TRUE(service.WaitRefreshes(1)); // the figures are made once per refresh
    const std::string reply = Get(service, "/metrics");
    ASSERT_EQ(StatusOf(reply), 200);
    EXPECT_NE(reply.find("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
              std::string::npos);
    const std::string metrics = BodyOf(reply);
    EXPECT_EQ(Check("promtool check metrics", metrics), 0) << metrics;
    for (const char* line :
         {"lindrel_stats_server_up{id=\"10\",name=\"Demo 0\"} 1",
          "lindrel_stats_server_up{id=\"20\",name=\"Demo 1\"} 0",
          "lindrel_stats_server_players{id=\"10\",name=\"Demo 0\"} 2",
          "lindrel_stats_polls_total 1", "lindrel_stats_lookups_total{result=\"known\"} 1"}) {
        EXPECT_NE(metrics.find(std::string(line) + "\n"), std::string::npos) << line;
    }
    EXPECT_NE(metrics.find("lindrel_stats_server_rtt_seconds{id=\"10\",name=\"Demo 0\"} 0"),
              std::string::npos);
    EXPECT_NE(metrics.find("lindrel_stats_refresh_duration_seconds_count "), std::string::npos);
    EXPECT_NE(metrics.find("lindrel_stats_history_rows_written_total "), std::string::npos);
}

TEST(WebPages, ThePagesAreHeldToTheSameConnectionLimits) {
    Config config = test::RunningService::FastConfig();
    config.frontEnd.maxPerClient = 2;
    test::RunningService service(config, 1);
    ASSERT_TRUE(service.WaitRefreshes(1));
    const int first = lindrel::test::ConnectFrom("127.0.0.1", service.httpPort());
    const int second = lindrel::test::ConnectFrom("127.0.0.1", service.httpPort());
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_EQ(StatusOf(Get(service, "/")), 0) << "a third connection of one client is refused";
    EXPECT_EQ(StatusOf(Get(service, "/metrics", "127.0.0.2")), 200) << "another client's is not";
    ::close(first);
    ::close(second);
}

} // namespace
} // namespace lindrel::stats
