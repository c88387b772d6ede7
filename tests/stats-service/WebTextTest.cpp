// What game servers' names become on the web: UTF-8 whatever they were sent in, and
// messages a webhook's chat cannot be tricked by.
#include "base/Encoding.h"
#include "notify/MessageTemplate.h"
#include "notify/Webhook.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

TEST(WebText, NamesBecomeUtf8FromEitherEncoding) {
    EXPECT_EQ(ToUtf8("Sarge"), "Sarge");
    EXPECT_EQ(ToUtf8("D\xc3\xa9j\xc3\xa0 \xf0\x9f\x8e\xae"), "D\xc3\xa9j\xc3\xa0 \xf0\x9f\x8e\xae")
        << "UTF-8 from newer games stays";
    EXPECT_EQ(ToUtf8("Caf\xe9 \x80 \x93x\x94"),
              "Caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cx\xe2\x80\x9d")
        << "older games' Windows-1252";
    EXPECT_EQ(ToUtf8("\x81"), "\xef\xbf\xbd") << "a byte the code page leaves unassigned";
    EXPECT_EQ(ToUtf8("\xc0\xaf"), "\xc3\x80\xc2\xaf") << "an overlong form is not UTF-8";
    EXPECT_EQ(ToUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xe2\x82\xac") << "nor is a surrogate";
}

TEST(WebText, EscapesForHtmlAndJson) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>\x01"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(JsonString("a\"b\\c\n\x7f\xe9"), "\"a\\\"b\\\\c\\u000a\\u007f\xc3\xa9\"");
    EXPECT_EQ(EscapeAngleBrackets("<@here> & \"q\""), "&lt;@here&gt; &amp; \"q\"");
}

TEST(WebText, CutsFallBetweenCharacters) {
    const std::string euros = "\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac"; // three of three bytes
    EXPECT_EQ(CutUtf8(euros, 9), euros);
    EXPECT_EQ(CutUtf8(euros, 8), euros.substr(0, 6));
    EXPECT_EQ(CutUtf8(euros, 7), euros.substr(0, 6));
    EXPECT_EQ(CutUtf8(euros, 2), "");
    EXPECT_EQ(CutUtf8("\xf0\x9f\x8e\xaex", 4), "\xf0\x9f\x8e\xae");
    EXPECT_EQ(Windows1252ToUnicode(0x80), U'\u20ac');
    EXPECT_EQ(UnicodeToWindows1252(U'\u0178'), 0x9f);
    EXPECT_FALSE(UnicodeToWindows1252(U'\u0416'));
}

TEST(Webhooks, UrlsAreTakenOnlyWhenUsable) {
    const auto discord = ParseWebhookUrl("https://discord.com/api/webhooks/1/abc?wait=true");
    ASSERT_TRUE(discord);
    EXPECT_TRUE(discord->tls);
    EXPECT_EQ(discord->port, 443);
    EXPECT_EQ(discord->target, "/api/webhooks/1/abc?wait=true");
    const auto bare = ParseWebhookUrl("http://hooks.example.org");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->port, 80);
    EXPECT_EQ(bare->target, "/");
    const auto v6 = ParseWebhookUrl("http://[2001:db8::1]:8080/h");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "2001:db8::1");
    EXPECT_EQ(v6->port, 8080);
    for (const char* bad : {"ftp://h/", "http://", "http://user:pw@h/", "http://h:0/",
                            "http://h:65536/", "http://h /", "http://h/\x7f", "http://a:b:c/",
                            "http://[::1/", "http://[::1]x/", "https://h\xc3\xa9.org/"}) {
        EXPECT_FALSE(ParseWebhookUrl(bad)) << bad;
    }
    EXPECT_FALSE(ParseWebhookUrl("http://h/" + std::string(kMaxUrlBytes, 'a')));
}

TEST(Webhooks, MessagesCannotPingOrMarkUpTheChat) {
    ServerEvent event;
    event.kind = EventKind::PlayerJoined;
    event.serverId = 7;
    event.server = "Quorvane <CTF>";
    event.address = "127.0.0.3:27960";
    event.map = "q3ctf1";
    event.players = {"@everyone <!channel>"};
    event.joined = 1;
    event.time = 1'800'000'000;
    EXPECT_EQ(WebhookBody(WebhookFormat::Discord, event),
              "{\"content\":\"@everyone <!channel> joined Quorvane <CTF> (127.0.0.3:27960), map "
              "q3ctf1\",\"allowed_mentions\":{\"parse\":[]}}");
    EXPECT_EQ(WebhookBody(WebhookFormat::Slack, event),
              "{\"text\":\"@everyone &lt;!channel&gt; joined Quorvane &lt;CTF&gt; "
              "(127.0.0.3:27960), map q3ctf1\"}");
    EXPECT_EQ(WebhookBody(WebhookFormat::Json, event),
              "{\"event\":\"player\",\"server\":{\"id\":7,\"name\":\"Quorvane <CTF>\","
              "\"address\":\"127.0.0.3:27960\"},\"map\":\"q3ctf1\",\"player\":\"@everyone "
              "<!channel>\",\"players\":[\"@everyone <!channel>\"],\"joined\":1,"
              "\"message\":\"@everyone <!channel> joined Quorvane <CTF> (127.0.0.3:27960), map "
              "q3ctf1\",\"time\":1800000000}");
    event.players = {"Anarki", "Sarge", "Visor"};
    event.joined = 3;
    EXPECT_EQ(EventText(event), "Anarki, Sarge and Visor joined Quorvane <CTF> "
                                "(127.0.0.3:27960), map q3ctf1");
    event.joined = 5;
    EXPECT_EQ(EventText(event), "Anarki, Sarge, Visor and 2 more joined Quorvane <CTF> "
                                "(127.0.0.3:27960), map q3ctf1");
    event.kind = EventKind::PlayersAtLeast;
    event.online = 12;
    event.threshold = 10;
    EXPECT_EQ(EventText(event), "12 players on Quorvane <CTF> (127.0.0.3:27960), map q3ctf1 "
                                "(10 or more)");
    event.kind = EventKind::Down;
    EXPECT_EQ(EventText(event), "Server down: Quorvane <CTF> (127.0.0.3:27960)");
}

TEST(Webhooks, TemplatesSayWhatTheAdminWroteWithTheEventsValuesEscaped) {
    ServerEvent event;
    event.kind = EventKind::PlayerLeft;
    event.server = "Quorvane <CTF>";
    event.address = "127.0.0.3:27960";
    event.map = "q3ctf1";
    event.players = {"Anarki", "@here"};
    event.joined = 2;
    event.online = 3;
    event.maxPlayers = 16;
    const std::string wording = "<!subteam^ops> {left} left {name} ({players}/{max}) {joined}";
    EXPECT_EQ(TemplateProblem(wording), "");
    EXPECT_EQ(WebhookBody(WebhookFormat::Slack, event, wording),
              "{\"text\":\"<!subteam^ops> Anarki and @here left Quorvane &lt;CTF&gt; (3/16) \"}")
        << "the admin's own markup stays; the names' is escaped";
    EXPECT_EQ(WebhookBody(WebhookFormat::Discord, event, "{left} left {name}"),
              "{\"content\":\"Anarki and @here left Quorvane <CTF>\","
              "\"allowed_mentions\":{\"parse\":[]}}");
    EXPECT_NE(WebhookBody(WebhookFormat::Json, event, "{free} free on {address}")
                  .find("\"message\":\"0 free on 127.0.0.3:27960\""),
              std::string::npos);

    // Discord takes 2,000 characters: a longer message is cut before a character.
    event.server = std::string(600, 'x') + "\xc3\xa9";
    const std::string body = WebhookBody(WebhookFormat::Discord, event, "{name}{name}{name}{name}");
    const std::string content = body.substr(12, body.find("\",\"allowed") - 12);
    EXPECT_EQ(content, std::string(600, 'x') + "\xc3\xa9" + std::string(600, 'x') + "\xc3\xa9" +
                           std::string(600, 'x') + "\xc3\xa9" + std::string(197, 'x'));

    for (const char* bad : {"{nick} joined", "{name", "name}", "{}"}) {
        EXPECT_NE(TemplateProblem(bad), "") << bad;
    }
    EXPECT_NE(TemplateProblem(std::string(1001, 'a')), "");
    EXPECT_EQ(TemplateProblem(std::string(1000, 'a')), "");
}

} // namespace
} // namespace lindrel::stats
