#include "protocols/Q3Protocol.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

const std::string kHeader("\xff\xff\xff\xffstatusResponse\n", 19);

TEST(StatusResponse, ReadsInfoAndPlayers) {
    const auto status = ParseStatusResponse(
        kHeader +
        "\\sv_maxclients\\16\\mapname\\oa_dm1\\sv_hostname\\^1Red ^^7Server\\g_gametype\\0\n"
        "12 48 \"^4Grism\"\n"
        "-3 0 \"Ang^7elyss\"\n"
        "not a player line\n"
        "5 x \"Bad Ping\"\n"
        "7 9 Unquoted\n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->hostname, "Red ^Server");
    EXPECT_EQ(status->map, "oa_dm1");
    EXPECT_EQ(status->maxClients, 16);
    EXPECT_EQ(status->players, (std::vector<PlayerInfo>{{"Grism", 12, 48}, {"Angelyss", -3, 0}}));
}

TEST(StatusResponse, TakesHostnameAndAnEmptyPlayerList) {
    const auto status = ParseStatusResponse(kHeader + "\\hostname\\Plain\\mapname\\q3dm17");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->hostname, "Plain");
    EXPECT_EQ(status->maxClients, 0);
    EXPECT_TRUE(status->players.empty());
}

TEST(StatusResponse, RefusesWhatIsNotOne) {
    const std::string good = kHeader + "\\mapname\\q3dm17\\sv_hostname\\x\n";
    std::vector<std::string> bad = {
        "",
        "\xff\xff\xff\xff",
        std::string("\xff\xff\xff\xffinfoResponse\n\\mapname\\x\n"),
        std::string("\xfe\xff\xff\xffstatusResponse\n\\mapname\\x\n"),
        kHeader,
        kHeader + "no backslash\n",
        kHeader + "\\sv_hostname\\no map\n",
        kHeader + "\\mapname\\\n",
        "statusResponse\n\\mapname\\q3dm1\n",
        good + std::string(kMaxPacketBytes, 'x'),
    };
    for (std::size_t cut = 0; cut < kHeader.size(); ++cut) {
        bad.push_back(good.substr(0, cut));
    }
    for (const auto& packet : bad) {
        EXPECT_FALSE(ParseStatusResponse(packet)) << packet.size();
    }
}

TEST(StatusResponse, BoundsWhatAHostileReplyCanAdd) {
    std::string packet = kHeader + "\\mapname\\" + std::string(500, 'm') + "\\sv_hostname\\" +
                         std::string(500, 'h') + "\\sv_maxclients\\-5\n";
    for (int i = 0; i < 400; ++i) {
        packet += "1 2 \"" + std::string(30, static_cast<char>('a' + i % 26)) + "\"\n";
    }
    const auto status = ParseStatusResponse(packet);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->map.size(), kMaxMapBytes);
    EXPECT_EQ(status->hostname.size(), kMaxNameBytes);
    EXPECT_EQ(status->maxClients, 0);
    EXPECT_EQ(status->players.size(), kMaxPlayers);
}

TEST(StatusResponse, BinaryGarbageNeverCrashes) {
    std::uint32_t seed = 7;
    for (int round = 0; round < 2000; ++round) {
        std::string packet = round % 2 == 0 ? kHeader : std::string();
        const auto length = static_cast<std::size_t>(round % 300);
        for (std::size_t i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            packet += static_cast<char>(seed >> 24);
        }
        const auto status = ParseStatusResponse(packet);
        if (status) {
            EXPECT_FALSE(status->map.empty());
            for (const auto& player : status->players) {
                EXPECT_EQ(player.name.find_first_of("\r\n"), std::string::npos);
            }
        }
    }
}

TEST(Names, LoseColoursAndControlCharacters) {
    EXPECT_EQ(StripColours("^1Red^7White"), "RedWhite");
    EXPECT_EQ(StripColours("^^1x"), "^x");
    EXPECT_EQ(StripColours("end^"), "end^");
    EXPECT_EQ(StripColours("^"), "^");
    EXPECT_EQ(StripColours("^xF80Real^x0a0 Tee^7"), "Real Tee") << "DarkPlaces' ^xRGB";
    EXPECT_EQ(StripColours("^x12 end^xF"), "12 endF") << "too few digits: a plain code";
    EXPECT_EQ(CleanName("two\r\nlines\x7f\t"), "twolines");
    EXPECT_EQ(CleanName(std::string(100, 'n')).size(), kMaxNameBytes);
}

TEST(StatusResponse, DemoPacketsReadBack) {
    const std::string packet = BuildStatusResponse(
        {{"sv_hostname", "^2Demo"}, {"mapname", "oa_dm2"}, {"sv_maxclients", "8"}},
        {{"^1Sarge", 4, 50}, {"Tony", 0, 12}});
    const auto status = ParseStatusResponse(packet);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->hostname, "Demo");
    EXPECT_EQ(status->players, (std::vector<PlayerInfo>{{"Sarge", 4, 50}, {"Tony", 0, 12}}));
}

} // namespace
} // namespace lindrel::stats
