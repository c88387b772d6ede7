// Every query driver is whole: the demo servers answer it, a fuzz target reads its
// replies, the README's protocol table has its row; and the demo refuses a protocol it
// has no answers for instead of answering as another one.
#include "DemoExchange.h"
#include "demo/DemoAnswers.h"
#include "demo/DemoServers.h"
#include "protocols/QueryDriver.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace lindrel::stats {
namespace {

const std::filesystem::path kSource = LINDREL_SOURCE_DIR;

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A driver "x" lives in protocols/XProtocol.h.
std::string HeaderOf(const QueryDriver& driver) {
    std::string name(driver.name());
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return "protocols/" + name + "Protocol.h";
}

TEST(EveryDriver, ReadsItsDemoServerAndHasAFuzzTargetAndAReadmeRow) {
    StatusInfo status{"Demo Server", "dm17", 24, {}, 0, {}};
    for (int i = 0; i < 5; ++i) {
        status.players.push_back({"Player " + std::to_string(i), i - 3, 0});
    }
    const std::string readme = Read(kSource / "README.md");
    const std::string fuzzTargets = Read(kSource / "fuzz" / "CMakeLists.txt");

    for (const QueryDriver* driver : AllDrivers()) {
        SCOPED_TRACE(std::string(driver->name()));
        ASSERT_NE(FindDemoProtocol(*driver), nullptr) << "no demo answers";
        DemoA2s a2s;
        const auto read = RunAgainstDemo(*driver, status, a2s);
        ASSERT_TRUE(read.has_value()) << "the driver does not take its demo answers";
        EXPECT_EQ(OnlineCount(*read), 5);
        EXPECT_EQ(read->maxClients, 24);
        if (driver != &MumbleDriver()) { // a Mumble server's name is the configured one
            EXPECT_EQ(read->hostname, "Demo Server");
        }
        if (!read->players.empty()) { // some protocols tell a count, no list
            ASSERT_EQ(read->players.size(), 5u);
            EXPECT_EQ(read->players[4].name, "Player 4");
        }

        bool fuzzed = false;
        for (const auto& entry : std::filesystem::directory_iterator(kSource / "fuzz")) {
            const std::string target = entry.path().stem().string();
            fuzzed = fuzzed ||
                     (entry.path().extension() == ".cpp" &&
                      Read(entry.path()).find("#include \"" + HeaderOf(*driver) + "\"") !=
                          std::string::npos &&
                      fuzzTargets.find("lindrel_fuzz_target(" + target + " ") != std::string::npos);
        }
        EXPECT_TRUE(fuzzed) << "no fuzz target includes " << HeaderOf(*driver);
        EXPECT_NE(readme.find("\n| `" + std::string(driver->name()) + "` |"), std::string::npos)
            << "no row in the README's protocol table";
    }
}

TEST(EveryDriver, TheDemoRefusesAProtocolItCannotAnswer) {
    asio::io_context io;
    DemoProfile profile;
    profile.hostname = "Nowhere";
    profile.protocol = "gopher";
    DemoGameServer server(io, udp::endpoint(asio::ip::make_address("127.0.0.1"), 0), profile, 1);
    std::string error;
    EXPECT_FALSE(server.Start(error));
    EXPECT_NE(error.find("\"gopher\""), std::string::npos) << error;
}

} // namespace
} // namespace lindrel::stats
