// The status page in a real browser: headless Chromium, scripts off, at a phone's width,
// on demo servers whose history file holds a day of players.
#include "RunningService.h"
#include "history/HistoryStore.h"
#include "support/TempDir.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

constexpr int kPhoneWidth = 412;
constexpr std::int64_t kHour = 3600;

// The standard output of a shell command (at most a minute), or empty when it fails.
std::optional<std::string> Output(const std::string& command, const lindrel::test::TempDir& dir) {
    const std::string line =
        "timeout 60 " + command + " > " + (dir / "out").string() + " 2> " + (dir / "err").string();
    if (std::system(line.c_str()) != 0) {
        std::cerr << line << "\n" << lindrel::test::ReadFile(dir / "err");
        return std::nullopt;
    }
    return lindrel::test::ReadFile(dir / "out");
}

// A day of players: a slow wave from 1 to 7, and server 20 down for two hours.
void SeedHistory(const std::string& path, const std::vector<int>& ids) {
    std::string error;
    auto store = HistoryStore::Open(path, error);
    ASSERT_TRUE(store) << error;
    const auto now = WallSeconds();
    std::vector<Sample> rows;
    for (const int id : ids) {
        for (std::int64_t t = now - 24 * kHour; t < now - 60; t += 60) {
            const bool up = id != 20 || t < now - 10 * kHour || t > now - 8 * kHour;
            const double phase = static_cast<double>(t % 86'400) / 86'400 * 6.283 + id;
            const int players = up ? 4 + static_cast<int>(std::lround(3 * std::sin(phase))) : 0;
            rows.push_back({id, t, up, players, "oa_dm1"});
        }
    }
    ASSERT_TRUE(store->Write(rows, error)) << error;
}

TEST(Browser, ThePageShowsEveryServerAndItsChartWithScriptsOff) {
    lindrel::test::TempDir dir;
    Config config = test::RunningService::FastConfig();
    config.historyFile = (dir / "history").string();
    config.pageTitle = "Quorvane clan servers";
    SeedHistory(config.historyFile, {10, 20, 30, 40, 50});
    test::RunningService service(config, 5);
    ASSERT_TRUE(service.WaitRefreshes(3));

    const std::string url = "http://127.0.0.1:" + std::to_string(service.httpPort()) + "/";
    const auto chromium = [&](const std::string& profile) {
        // Nothing but the page: no updates, sync or other traffic of the browser's own.
        return "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
               "--no-first-run --disable-background-networking --disable-component-update "
               "--disable-sync --user-data-dir=" +
               (dir / profile).string() + " --window-size=" + std::to_string(kPhoneWidth) +
               ",1800 ";
    };
    const std::string shot = (dir / "page.png").string();

    // The page's text as the browser understood it (Chromium serializes it with a script
    // of its own, so this one run has scripts on; the page has none).
    const auto dom = Output(chromium("scripts") + "--dump-dom " + url, dir);
    ASSERT_TRUE(dom);
    EXPECT_NE(dom->find("<h1>Quorvane clan servers</h1>"), std::string::npos) << *dom;
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(dom->find("<h2>Demo " + std::to_string(i) + "</h2>"), std::string::npos) << i;
    }
    EXPECT_NE(dom->find("<dt>Uptime 24 h</dt><dd>91."), std::string::npos)
        << "server 20 was down two hours of the last 24: " << *dom;
    std::size_t lines = 0;
    for (auto at = dom->find("<polyline"); at != std::string::npos;
         at = dom->find("<polyline", at + 1)) {
        ++lines;
    }
    EXPECT_GE(lines, 6u) << "five charts, one of them broken where its server was down";

    // The picture, in a profile that blocks scripts: the charts' yellow lines span the
    // phone's width.
    std::filesystem::create_directories(dir / "noscript" / "Default");
    std::ofstream(dir / "noscript" / "Default" / "Preferences")
        << R"({"profile":{"default_content_setting_values":{"javascript":2}}})";
    ASSERT_TRUE(Output(chromium("noscript") + "--screenshot=" + shot + " " + url, dir));
    const auto size = Output("identify -format %w " + shot, dir);
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, std::to_string(kPhoneWidth));
    const std::string yellow = "convert " + shot +
                               " -fuzz 12% -fill black +opaque '#ffcc33' -fill white -opaque "
                               "'#ffcc33' ";
    const auto count = Output(yellow + "-format '%[fx:round(mean*w*h)]' info:", dir);
    const auto span = Output(yellow + "-trim -format %w info:", dir);
    ASSERT_TRUE(count && span);
    EXPECT_GT(std::stoi(*count), 1000) << "the lines are drawn";
    EXPECT_GT(std::stoi(*span), kPhoneWidth * 3 / 4) << "and fill the phone's width";
}

// A clan's own page (a file here, another origin) shows the badge as an <img>: Chromium
// loads it as an image of the badge's size and draws its green half.
TEST(Browser, TheBadgeShowsAsAnImageOnAnotherSitesPage) {
    lindrel::test::TempDir dir;
    test::RunningService service(test::RunningService::FastConfig(), 1);
    ASSERT_TRUE(service.WaitRefreshes(3));
    const std::string badge =
        "http://127.0.0.1:" + std::to_string(service.httpPort()) + "/badge/10.svg";
    std::ofstream(dir / "clan.html")
        << "<!DOCTYPE html><title>Clan</title><body style=\"margin:0;background:#fff\">"
           "<img src=\""
        << badge
        << "\" onload=\"document.title = 'loaded ' + this.naturalWidth + 'x' + "
           "this.naturalHeight\" onerror=\"document.title = 'broken'\">";
    const std::string chromium =
        "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--virtual-time-budget=5000 --window-size=400,100 --user-data-dir=" +
        (dir / "profile").string() + " ";
    const std::string page = "file://" + (dir / "clan.html").string();
    const auto dom = Output(chromium + "--dump-dom " + page, dir);
    ASSERT_TRUE(dom);
    EXPECT_NE(dom->find("<title>loaded "), std::string::npos) << *dom;
    EXPECT_NE(dom->find("x20</title>"), std::string::npos) << "20 px high: " << *dom;

    const std::string shot = (dir / "clan.png").string();
    ASSERT_TRUE(Output(chromium + "--screenshot=" + shot + " " + page, dir));
    const auto green = Output("convert " + shot +
                                  " -fuzz 10% -fill black +opaque '#44cc11' -fill white -opaque "
                                  "'#44cc11' -format '%[fx:round(mean*w*h)]' info:",
                              dir);
    ASSERT_TRUE(green);
    EXPECT_GT(std::stoi(*green), 200) << "the state's half is drawn in green";
}

} // namespace
} // namespace lindrel::stats
