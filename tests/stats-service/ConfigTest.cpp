// The configuration as a careless or hostile file gives it: numbers out of range, keys of
// the wrong type or unknown, texts that would break a reply.
#include "config/ConfigFile.h"
#include "faults/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sstream>

namespace lindrel::stats {
namespace {

// Loads text as a configuration file; the error, or empty when it loaded.
std::string LoadError(const std::string& text) {
    lindrel::test::TempDir dir;
    lindrel::test::WriteFile(dir / "c.toml", text);
    std::string error;
    const auto config = LoadConfig((dir / "c.toml").string(), error);
    return config ? std::string() : error;
}

// "# [table]" or "# key = value" in the example file: a setting shown commented out.
bool IsCommentedOutSetting(std::string_view line) {
    if (line.size() < 3 || !line.starts_with("# ")) {
        return false;
    }
    line.remove_prefix(2);
    if (line.front() == '[') {
        return line.back() == ']';
    }
    const auto key = line.find_first_not_of("abcdefghijklmnopqrstuvwxyz_");
    return key > 0 && key != std::string_view::npos && line.substr(key).starts_with(" = ");
}

TEST(Config, RefusesEachBadValueNamingItsKey) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[service]\nrefresh_ms = 9300000000000\n", "service.refresh_ms"},
        {"[service]\nquery_timeout_ms = 9300000000000\n", "service.query_timeout_ms"},
        {"[service]\nrefresh_ms = \"fast\"\n", "service.refresh_ms"},
        {"[service]\nrefresh_ms = 1.5\n", "service.refresh_ms"},
        {"[service]\ndown_after_misses = 0\n", "service.down_after_misses"},
        {"[service]\ntcp_parallel = 4097\n", "service.tcp_parallel"},
        {"[service]\nfast = true\n", "service.fast"},
        {"[service]\nlisten = \"somewhere:1\"\n", "service.listen"},
        {"[update]\nftp_port = 99999999999\n", "update.ftp_port"},
        {"[update]\nversion = \"1\\u0000\"\n", "update.version"},
        {"[update]\nftp_user = \"a\\nb\"\n", "update.ftp_user"},
        {"[update]\nfiles = [[\"pub\", 7]]\n", "update.files"},
        {"[lookup]\nmax_registered = -1\n", "lookup.max_registered"},
        {"[lookup]\nallow = [\"10.0.0.0/33\"]\n", "lookup.allow"},
        {"[[game_types]]\nuid = 1\nname = \"a,b\"\n", "game_types[0].name"},
        {"[[game_types]]\nuid = 1\nprotocol = \"gopher\"\n", "game_types[0].protocol"},
        {"[[servers]]\nid = 5\naddress = \"127.0.0.1\"\nquery_port = 0\n", "servers[0].query_port"},
        {"[[servers]]\nid = 2147483648\naddress = \"127.0.0.1\"\n", "servers[0].id"},
        {"[[servers]]\nid = 5\naddress = \"a b\"\n", "servers[0].address"},
        {"[[servers]]\nid = 5\naddress = \"127.0.0.1\"\nport = 70000\n", "servers[0].port"},
        {"[[servers]]\nid = 5\naddress = \"127.0.0.1\"\nnick = \"x\"\n", "servers[0].nick"},
        {"surprise = 1\n", "surprise"},
        {"[history]\nkeep_days = 2\n", "history.keep_days"},
        {"[history]\nfile = 7\n", "history.file"},
        {"[page]\ntitle = \"a\\nb\"\n", "page.title"},
        {"[[notify]]\nformat = \"json\"\n", "notify[0] needs a url"},
        {"[[notify]]\nurl = \"ftp://h/\"\nformat = \"json\"\n", "notify[0].url"},
        {"[[notify]]\nurl = \"http://user@h/\"\nformat = \"json\"\n", "notify[0].url"},
        {"[[notify]]\nurl = \"http://h:0/\"\nformat = \"json\"\n", "notify[0].url"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"xml\"\n", "notify[0].format"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\nevents = [\"up\"]\n",
         "notify[0].events"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\nplayers = [\" x \"]\n",
         "notify[0].players"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\nservers = [12345]\n",
         "notify[0].servers names server 12345"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\nretries = 11\n", "notify[0].retries"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\n[notify.templates]\ndown = "
         "\"{nick}\"\n",
         "notify[0].templates.down"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\n[notify.templates]\nup = \"x\"\n",
         "notify[0].templates.up"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\ntimeout_ms = 99999999\n",
         "notify[0].timeout_ms"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"slack\"\nlive = true\n", "notify[0].live"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"json\"\nlive = true\n", "notify[0].live"},
        {"[[notify]]\nurl = \"http://h/\"\nformat = \"discord\"\nlive = \"yes\"\n",
         "notify[0].live must be true or false"},
    };
    for (const auto& [text, key] : cases) {
        const std::string error = LoadError(text);
        EXPECT_NE(error.find(key), std::string::npos) << text << " gave: " << error;
    }
}

TEST(Config, TcpQueriesFitTheOpenFilesBesideTheConnections) {
    FrontEndLimits frontEnd; // 512 connections
    EXPECT_EQ(TcpParallelWithin(1024, 256, frontEnd), 256u) << "the default fits 1,024 files";
    EXPECT_EQ(TcpParallelWithin(700, 256, frontEnd), 700u - 512 - kOwnOpenFiles);
    EXPECT_EQ(TcpParallelWithin(100, 256, frontEnd), 1u) << "never none";
    EXPECT_EQ(TcpParallelWithin(SIZE_MAX, 4096, frontEnd), 4096u);
}

TEST(Config, TakesNamesIpv6AndSeveralListenAddresses) {
    EXPECT_EQ(LoadError("[service]\nlisten = [\"127.0.0.1:27950\", \"[::1]:27950\"]\n"
                        "[[servers]]\nid = 20\naddress = \"q3.example.org\"\n"
                        "[[servers]]\nid = 21\naddress = \"::1\"\nport = 27961\n"
                        "[[servers]]\nid = 22\naddress = \"::1\"\nport = 28785\n"
                        "game_type = 40\nquery_port = 28786\n"
                        "[[game_types]]\nuid = 40\nname = \"Sauerbraten\"\n"
                        "protocol = \"cube2\"\n"
                        "[lookup]\nallow = [\"127.0.0.0/8\", \"::1/128\"]\n"
                        "per_client_per_minute = 3\n"),
              "");
}

TEST(Config, ReadsTheHistoryThePageAndTheWebhooks) {
    lindrel::test::TempDir dir;
    lindrel::test::WriteFile(dir / "c.toml",
                             "[history]\nfile = \"h.sqlite\"\nkeep_days = 30\n"
                             "[page]\ntitle = \"Our servers\"\n"
                             "[[notify]]\nurl = \"https://discord.com/api/webhooks/1/x\"\n"
                             "format = \"discord\"\nevents = [\"player\", \"player_left\"]\n"
                             "players = [\" Anarki \", \"SARGE\"]\nservers = [7, 8]\n"
                             "[[notify]]\nurl = \"https://discord.com/api/webhooks/2/y\"\n"
                             "format = \"discord\"\nlive = true\n"
                             "[[notify]]\nurl = \"http://[::1]:8080/hook\"\nformat = \"json\"\n"
                             "name = \"ops\"\nper_minute = 5\nmin_players = 8\n"
                             "min_free_slots = 4\n"
                             "events = [\"down\", \"players_at_least\", \"slots_free\"]\n");
    std::string error;
    const auto config = LoadConfig((dir / "c.toml").string(), error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->historyFile, (dir / "h.sqlite").string()) << "beside the file";
    EXPECT_EQ(config->historyKeep, std::chrono::hours(30 * 24));
    EXPECT_EQ(config->pageTitle, "Our servers");
    ASSERT_EQ(config->notify.size(), 3u);
    const WebhookEntry& discord = config->notify[0];
    EXPECT_TRUE(discord.at.tls);
    EXPECT_EQ(discord.at.host, "discord.com");
    EXPECT_EQ(discord.at.port, 443);
    EXPECT_EQ(discord.at.target, "/api/webhooks/1/x");
    EXPECT_EQ(discord.format, WebhookFormat::Discord);
    EXPECT_FALSE(discord.down || discord.back);
    EXPECT_TRUE(discord.player && discord.playerLeft && !discord.slotsFree);
    EXPECT_EQ(discord.players, (std::vector<std::string>{"anarki", "sarge"}));
    EXPECT_EQ(discord.servers, (std::vector<int>{7, 8}));
    EXPECT_FALSE(discord.live);
    const WebhookEntry& live = config->notify[1];
    EXPECT_TRUE(live.live);
    EXPECT_FALSE(live.down || live.back || live.player) << "a live entry's events are listed";
    const WebhookEntry& json = config->notify[2];
    EXPECT_EQ(json.at.host, "::1");
    EXPECT_EQ(json.at.port, 8080);
    EXPECT_TRUE(json.down && json.atLeast && !json.back && !json.player);
    EXPECT_EQ(json.minPlayers, 8);
    EXPECT_TRUE(json.slotsFree && !json.playerLeft);
    EXPECT_EQ(json.minFreeSlots, 4);
    EXPECT_EQ(json.perMinute, 5);
    EXPECT_EQ(discord.perMinute, 30) << "Discord's own limit unless told";
    EXPECT_EQ(discord.label, "notify[0] at discord.com") << "never the secret path";
    EXPECT_EQ(json.label, "\"ops\" at ::1");
    for (const char* bad :
         {"min_players = 8\n", "events = [\"players_at_least\"]\n",
          "events = [\"players_at_least\"]\nmin_players = 0\n", "per_minute = 0\n",
          "min_free_slots = 2\n", "events = [\"slots_free\"]\n",
          "events = [\"slots_free\"]\nmin_free_slots = 1001\n", "events = [\"left\"]\n"}) {
        lindrel::test::WriteFile(dir / "bad.toml", std::string("[[notify]]\nurl = \"http://h/\"\n"
                                                               "format = \"json\"\n") +
                                                       bad);
        EXPECT_FALSE(LoadConfig((dir / "bad.toml").string(), error)) << bad;
    }
    lindrel::test::WriteFile(dir / "bad.toml", "[page]\nframe_ancestors = \"x; script-src *\"\n");
    EXPECT_FALSE(LoadConfig((dir / "bad.toml").string(), error));
    EXPECT_NE(error.find("page.frame_ancestors"), std::string::npos) << error;
}

TEST(Config, CheckConfigSaysWhatIsWrongAndExits) {
    lindrel::test::TempDir dir;
    const auto check = [&](const std::string& text) {
        lindrel::test::WriteFile(dir / "c.toml", text);
        std::remove((dir / "out").c_str());
        lindrel::test::ChildProcess program(
            {LINDREL_STATS_PROGRAM, "--check-config", (dir / "c.toml").string()}, {},
            (dir / "out").string());
        const int status = program.WaitExit(std::chrono::seconds(10));
        return std::pair(status, lindrel::test::ReadFile(dir / "out"));
    };
    const auto [bad, said] = check("[service]\nrefresh_ms = 9300000000000\n");
    EXPECT_EQ(bad, 1);
    EXPECT_NE(said.find("service.refresh_ms"), std::string::npos) << said;
    EXPECT_EQ(check("[service]\nrefresh_ms = 5000\n").first, 0);
    const auto example = lindrel::test::ReadFile(LINDREL_EXAMPLE_CONFIG);
    EXPECT_EQ(check(example).first, 0);
    // Its commented-out examples too, all of them taken in at once.
    std::istringstream lines(example);
    std::string uncommented;
    for (std::string line; std::getline(lines, line);) {
        uncommented += (IsCommentedOutSetting(line) ? line.substr(2) : line) + "\n";
    }
    ASSERT_NE(uncommented.find("\nlive = true\n"), std::string::npos);
    const auto [withExamples, saidOfThem] = check(uncommented);
    EXPECT_EQ(withExamples, 0) << saidOfThem;
}

// The demo servers' program prints its usage for --help and refuses what it does not know,
// as lindrel-stats does, instead of starting five servers.
TEST(DemoServersProgram, HelpAndUnknownOptions) {
    lindrel::test::TempDir dir;
    const auto run = [&](const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {LINDREL_DEMO_SERVERS_PROGRAM};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        lindrel::test::ChildProcess program(argv, {}, (dir / "out").string());
        const int status = program.WaitExit(std::chrono::seconds(10));
        return std::pair(status, lindrel::test::ReadFile(dir / "out"));
    };
    const auto [help, usage] = run({"--help"});
    EXPECT_EQ(help, 0);
    EXPECT_EQ(usage.rfind("usage: lindrel-demo-servers", 0), 0u) << usage;
    EXPECT_EQ(run({"--colour", "red"}).first, 2);
    EXPECT_EQ(run({"--count"}).first, 2);
    EXPECT_EQ(run({"--count", "1", "--strays"}).first, 2);
}

} // namespace
} // namespace lindrel::stats
