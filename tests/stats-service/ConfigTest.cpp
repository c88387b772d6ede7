// The configuration as a careless or hostile file gives it: numbers out of range, keys of
// the wrong type or unknown, texts that would break a reply.
#include "Config.h"

#include "faults/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

TEST(Config, RefusesEachBadValueNamingItsKey) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[service]\nrefresh_ms = 9300000000000\n", "service.refresh_ms"},
        {"[service]\nquery_timeout_ms = 9300000000000\n", "service.query_timeout_ms"},
        {"[service]\nrefresh_ms = \"fast\"\n", "service.refresh_ms"},
        {"[service]\nrefresh_ms = 1.5\n", "service.refresh_ms"},
        {"[service]\ndown_after_misses = 0\n", "service.down_after_misses"},
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
    };
    for (const auto& [text, key] : cases) {
        const std::string error = LoadError(text);
        EXPECT_NE(error.find(key), std::string::npos) << text << " gave: " << error;
    }
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
}

} // namespace
} // namespace lindrel::stats
