// The live status message against a Discord-like receiver on loopback (webhook_receiver.py):
// made once, edited when what it shows changes and only then, kept across restarts in the
// state file or the history file, made anew once when it was deleted, and edited within
// the waits the receiver asks for.
#include "notify/LiveMessage.h"

#include "WebhookReceiver.h"
#include "base/Encoding.h"
#include "base/Json.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kFirstId = "1187000000000000001";

// Over the demo servers, not the default configuration's others, which never answer here.
WebhookEntry LiveHook(const Receiver& receiver, const std::string& path, std::vector<int> servers) {
    WebhookEntry hook = Hook(receiver.Url(path));
    hook.servers = std::move(servers);
    hook.format = WebhookFormat::Discord;
    hook.live = true;
    hook.down = hook.back = hook.player = false;
    return hook;
}

bool Shows(const Received& request, const std::string& line) {
    return request.body.find(line) != std::string::npos;
}

TEST(LiveMessage, TextAndTargetsKeepToDiscordsRules) {
    std::vector<LiveRow> rows;
    for (int id = 1; id <= 300; ++id) {
        rows.push_back(
            {id, "Server <@everyone> " + std::to_string(id), LiveState::Up, "q3dm17", 3, 16});
    }
    rows[1].state = LiveState::Down;
    rows[2].state = LiveState::Maintenance;
    const std::string all = LiveMessageBody("Clan", rows, {});
    const auto parsed = ParseJson(all);
    ASSERT_TRUE(parsed) << all;
    const std::string content(parsed->TextOf("content"));
    EXPECT_EQ(CutUtf8Characters(content, 2000), content) << "within 2,000 characters";
    EXPECT_TRUE(content.starts_with("Clan\n\xf0\x9f\x9f\xa2 Server <@everyone> 1: up, 3/16 "
                                    "players, map q3dm17\n\xf0\x9f\x94\xb4 Server <@everyone> 2: "
                                    "down\n\xf0\x9f\x94\xa7 Server <@everyone> 3: maintenance\n"))
        << content;
    EXPECT_TRUE(content.ends_with(" more servers")) << content;
    EXPECT_NE(all.find("\"allowed_mentions\":{\"parse\":[]}"), std::string::npos);
    const auto some = ParseJson(LiveMessageBody("Clan", rows, {3, 1, 999}));
    EXPECT_EQ(some->TextOf("content"),
              "Clan\n\xf0\x9f\x94\xa7 Server <@everyone> 3: maintenance\n\xf0\x9f\x9f\xa2 "
              "Server <@everyone> 1: up, 3/16 players, map q3dm17")
        << "the entry's servers in its order";

    EXPECT_EQ(CreateMessageTarget("/api/webhooks/1/t"), "/api/webhooks/1/t?wait=true");
    EXPECT_EQ(CreateMessageTarget("/api/webhooks/1/t?thread_id=5"),
              "/api/webhooks/1/t?thread_id=5&wait=true");
    EXPECT_EQ(EditMessageTarget("/api/webhooks/1/t/?thread_id=5", "99"),
              "/api/webhooks/1/t/messages/99?thread_id=5");
    EXPECT_EQ(MessageIdOf(R"({"author":{"id":"1"},"id":"1187","embeds":[]})"), "1187");
    for (const char* bad :
         {R"({"id":1187})", R"({"id":"11a"})", R"({"id":"123456789012345678901"})",
          R"([{"id":"1"}])", R"({"author":{"id":"1"}})", "{\"id\":\"1\""}) {
        EXPECT_EQ(MessageIdOf(bad), "") << bad;
    }
    EXPECT_EQ(LiveKey("https://discord.com/api/webhooks/1/t").size(), 32u);
    EXPECT_NE(LiveKey("https://discord.com/api/webhooks/1/t"),
              LiveKey("https://discord.com/api/webhooks/1/u"));
}

TEST(LiveMessage, IsMadeOnceAndEditedOnlyWhenWhatItShowsChanges) {
    Receiver receiver;
    test::RunningService service(WithHooks({LiveHook(receiver, "/live/a", {10, 20})}), 2);
    const auto made = receiver.Next();
    ASSERT_TRUE(made);
    EXPECT_EQ(made->path, "/live/a?wait=true");
    EXPECT_EQ(made->status, 200);
    EXPECT_TRUE(Shows(*made, "Demo 0: up, 2/8 players, map oa_dm1\\u000a")) << made->body;
    EXPECT_TRUE(Shows(*made, "Demo 1: up, 2/8 players, map oa_dm2\"")) << made->body;
    EXPECT_FALSE(receiver.Next(1500ms)) << "ten refreshes that change nothing edit nothing";

    const std::string edit = "/live/a/messages/" + std::string(kFirstId);
    service.SetAnswering(1, false);
    const auto down = receiver.Next();
    ASSERT_TRUE(down);
    EXPECT_EQ(down->path, edit);
    EXPECT_EQ(down->status, 200);
    EXPECT_TRUE(Shows(*down, "Demo 1: down\"")) << down->body;
    EXPECT_FALSE(receiver.Next(1s)) << "down is shown once";

    service.SetPlayers(0, {"Anarki", "Sarge", "Visor"});
    const auto players = receiver.Next();
    ASSERT_TRUE(players);
    EXPECT_EQ(players->path, edit);
    EXPECT_TRUE(Shows(*players, "Demo 0: up, 3/8 players")) << players->body;
    EXPECT_FALSE(receiver.Next(1s));
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 3"));
}

TEST(LiveMessage, AReceiverThatNamesNoIdGetsOneMessageNotOneARefresh) {
    Receiver receiver;
    // 204 with no body, as Discord answers when the query is lost on the way.
    test::RunningService service(WithHooks({LiveHook(receiver, "/ok", {10, 20})}), 2);
    const auto made = receiver.Next();
    ASSERT_TRUE(made);
    EXPECT_EQ(made->status, 204);
    service.SetAnswering(1, false);
    EXPECT_FALSE(receiver.Next(1500ms)) << "nothing it could edit: not made again";
    EXPECT_TRUE(MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"failed\"} 1"));
}

// Where the id is kept: the state file, or the history file when there is one.
class LiveMessageKept : public testing::TestWithParam<bool> {};

TEST_P(LiveMessageKept, ARestartEditsTheSameMessageAndADeletedOneIsMadeAnewOnce) {
    Receiver receiver;
    lindrel::test::TempDir dir;
    Config config = WithHooks({LiveHook(receiver, "/live/b", {10})});
    config.stateFile = (dir / "state").string();
    if (GetParam()) {
        config.historyFile = (dir / "history.sqlite").string();
    }
    const std::string first = "/live/b/messages/" + std::string(kFirstId);
    {
        test::RunningService service(config, 1);
        const auto made = receiver.Next();
        ASSERT_TRUE(made);
        EXPECT_EQ(made->path, "/live/b?wait=true");
        // Its answer, with the id, read before the service stops.
        EXPECT_TRUE(
            MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 1"));
    }
    {
        test::RunningService service(config, 1);
        const auto edited = receiver.Next();
        ASSERT_TRUE(edited);
        EXPECT_EQ(edited->path, first) << "the same message after a restart";
        EXPECT_EQ(edited->status, 200);
        EXPECT_FALSE(receiver.Next(1s));

        const std::string deleted = lindrel::test::RawExchange(
            "127.0.0.1", receiver.port(),
            "DELETE " + first + " HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(lindrel::test::StatusOf(deleted), 204);
        service.SetAnswering(0, false);
        const auto gone = receiver.Next();
        ASSERT_TRUE(gone);
        EXPECT_EQ(gone->path, first);
        EXPECT_EQ(gone->status, 404);
        const auto remade = receiver.Next();
        ASSERT_TRUE(remade);
        EXPECT_EQ(remade->path, "/live/b?wait=true");
        EXPECT_TRUE(Shows(*remade, "Demo 0: down\"")) << remade->body;
        EXPECT_FALSE(receiver.Next(1s)) << "made anew once";
        EXPECT_TRUE(
            MetricsShow(service, "lindrel_stats_webhook_messages_total{result=\"sent\"} 2"));
    }
    test::RunningService service(config, 1);
    const auto again = receiver.Next();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->path, "/live/b/messages/1187000000000000002") << "the new one was kept";
}

INSTANTIATE_TEST_SUITE_P(InStateOrHistoryFile, LiveMessageKept, testing::Bool());

TEST(LiveMessage, AnEditAskedToWaitWaitsAndTheEntrysEventsGoAsTheirOwnMessages) {
    Receiver receiver;
    WebhookEntry hook = LiveHook(receiver, "/livelimited/c", {20, 10});
    hook.down = true;
    test::RunningService service(WithHooks({hook}), 2);
    const auto made = receiver.Next();
    ASSERT_TRUE(made);
    EXPECT_TRUE(Shows(*made, "Demo 1: up, 2/8 players, map oa_dm2\\u000a\xf0\x9f\x9f\xa2 Demo 0"))
        << "in the entry's order: " << made->body;

    service.SetAnswering(0, false);
    std::vector<Received> edits;
    bool toldDown = false;
    std::chrono::steady_clock::time_point asked;
    for (int i = 0; i < 3; ++i) {
        auto got = receiver.Next();
        ASSERT_TRUE(got);
        if (got->path == "/livelimited/c") {
            toldDown = got->status == 204 && Shows(*got, "Server down: Demo 0");
        } else {
            edits.push_back(*got);
            if (got->status == 429) {
                asked = std::chrono::steady_clock::now();
            } else {
                EXPECT_GE(std::chrono::steady_clock::now() - asked, 1400ms)
                    << "retry_after is 1.5 s";
            }
        }
    }
    EXPECT_TRUE(toldDown) << "the down event, a message of its own";
    ASSERT_EQ(edits.size(), 2u);
    EXPECT_EQ(edits[0].status, 429);
    const Received* edited = &edits[1];
    EXPECT_EQ(edited->status, 200);
    EXPECT_TRUE(Shows(*edited, "Demo 0: down\"")) << edited->body;
}

} // namespace
} // namespace lindrel::stats
