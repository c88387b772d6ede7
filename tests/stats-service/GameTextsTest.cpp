// Game servers' names and maps as the service keeps them: control characters gone, cut to
// their bound between characters, so that a long UTF-8 name stays UTF-8 on the page, in
// JSON and in the monitor's reply.
#include "FakeGameServer.h"
#include "RunningService.h"
#include "base/Text.h"
#include "base/UrlCodec.h"
#include "protocols/GameStatus.h"
#include "service/HttpFetch.h"

#include <gtest/gtest.h>
#include <thread>

namespace lindrel::stats {
namespace {

using test::FakeGameServer;
using test::RunningService;

std::string Repeated(std::string_view text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

const std::string kEuro = "\xe2\x82\xac";  // 3 bytes
const std::string kSun = "\xe6\x97\xa5";   // 日, 3 bytes
const std::string kNextLine = "\xc2\x85";  // U+0085, a C1 control
const std::string kCyrillicA = "\xd0\x90"; // А, 2 bytes

TEST(GameTexts, ControlsGoAndUtf8IsCutBetweenCharacters) {
    EXPECT_EQ(WithoutControls(Repeated(kEuro, 30), 64), Repeated(kEuro, 21));
    EXPECT_EQ(WithoutControls("x" + Repeated(kCyrillicA, 40), 64), "x" + Repeated(kCyrillicA, 31));
    EXPECT_EQ(WithoutControls("a" + kNextLine + "b\x01\x7f" + kEuro, 64), "ab" + kEuro)
        << "C1 controls go from UTF-8 as C0 ones do";
    EXPECT_EQ(WithoutControls("\x80 Caf\xe9\x85", 64), "\x80 Caf\xe9\x85")
        << "in Windows-1252 the same bytes are characters (the euro sign, an ellipsis)";
    EXPECT_EQ(WithoutControls(std::string(100, '\x80'), 64), std::string(64, '\x80'));
    // A control between the bytes of a character hid its UTF-8: once it is gone the text
    // is read as UTF-8, so cleaning it again changes nothing.
    const std::string hidden = "a" + kNextLine + "\xd3\x0e\xa4";
    EXPECT_EQ(WithoutControls(hidden, 64), "a\xd3\xa4");
    EXPECT_EQ(WithoutControls(WithoutControls(hidden, 64), 64), WithoutControls(hidden, 64));
}

TEST(GameTexts, ALongUnicodeNameReachesThePageJsonAndTheMonitorWhole) {
    FakeGameServer wide;
    Config config = RunningService::FastConfig();
    config.servers.push_back({77, "Wide", 10, "127.0.0.1", wide.port(), 0});
    RunningService running(config, 0);
    const std::string name = Repeated(kEuro, 30); // 90 bytes
    const std::string map = Repeated(kSun, 30);   // 90 bytes
    const std::string kept = Repeated(kEuro, 21); // 63 bytes
    const std::string keptMap = Repeated(kSun, 21);
    std::thread answer([&] {
        const std::string reply = std::string("\xff\xff\xff\xffstatusResponse\n", 19) +
                                  "\\mapname\\" + map + "\\sv_hostname\\" + name + "\n";
        for (int i = 0; i < 3; ++i) {
            wide.AnswerOne(reply, 3000);
        }
    });
    const bool refreshed = running.WaitRefreshes(3);
    answer.join(); // before any assertion can leave the test: a joinable thread would abort
    ASSERT_TRUE(refreshed);

    const std::string line = GetURL(running.BaseUrl() + "d=77&t=0&s=");
    const auto fields = Split(line, '|');
    ASSERT_GE(fields.size(), 3u) << line;
    EXPECT_EQ(URLDecode(fields[1]).value_or(""), kept);
    EXPECT_EQ(URLDecode(fields[2]).value_or(""), keptMap);
    const std::string json =
        GetURL("http://127.0.0.1:" + std::to_string(running.httpPort()) + "/api/servers");
    EXPECT_NE(json.find("\"name\":\"" + kept + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"map\":\"" + keptMap + "\""), std::string::npos) << json;
    const std::string page = GetURL("http://127.0.0.1:" + std::to_string(running.httpPort()) + "/");
    EXPECT_NE(page.find(kept + "<"), std::string::npos);
    EXPECT_NE(page.find(keptMap), std::string::npos);
    EXPECT_EQ(page.find("\xc3\xa2\xe2\x80\x9a\xc2\xac"), std::string::npos)
        << "the euro sign read as Windows-1252";
}

} // namespace
} // namespace lindrel::stats
