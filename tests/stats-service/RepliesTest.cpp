#include "pages/Replies.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "service/Players.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <numeric>

namespace lindrel::stats {
namespace {

GameServer Server(int id, std::vector<std::string> players) {
    GameServer server;
    server.id = id;
    server.configuredName = "Configured";
    server.host = "127.0.0.1";
    server.port = 27960;
    StatusInfo status;
    status.hostname = "Live Name";
    status.map = "oa_dm1";
    status.maxClients = 16;
    for (auto& name : players) {
        status.players.push_back({std::move(name), 3, 40});
    }
    Registry::RecordAnswer(server, std::move(status), 12);
    return server;
}

// Field 7 (players reported) and field 9 (the marker) of a status line.
std::pair<std::string, std::int32_t> FoundAndMarker(const std::string& line) {
    const auto fields = Split(line, '|');
    EXPECT_EQ(fields.size(), 10u) << line;
    return {std::string(fields[7]), ParseInt32(fields[9]).value_or(-1)};
}

TEST(StatusLine, HasTheTenFieldsTheMonitorReads) {
    const GameServer server = Server(7, {"Grism", "Angelyss"});
    EXPECT_EQ(StatusLine(server, {}, 0), "7|Live+Name|oa%5Fdm1|2%2F16|12|10|127.0.0.1:27960|0||0");
    EXPECT_EQ(StatusLine(server, {"gris"}, 0).substr(0, 55),
              "7|Live+Name|oa%5Fdm1|2%2F16|12|10|127.0.0.1:27960|1|Gri");
}

TEST(StatusLine, DownServerShowsItsLastMaximum) {
    GameServer server = Server(4, {"Grism"});
    Registry::RecordMiss(server, 2);
    EXPECT_FALSE(server.down);
    Registry::RecordMiss(server, 2);
    EXPECT_TRUE(server.down);
    EXPECT_EQ(StatusLine(server, {"grism"}, 0),
              "4|Live+Name|DOWN|0%2F16|12|10|127.0.0.1:27960|0||0");
}

TEST(FindMarkers, EachChangeOfWhoIsThereAlertsOnce) {
    GameServer server = Server(8, {"Grism", "Tony", "^bad"});
    const std::vector<std::string> wanted = {"grism", "tony"};
    std::int32_t sent = 0; // what the monitor sends back, as it would

    auto poll = [&]() {
        const auto [found, marker] = FoundAndMarker(StatusLine(server, wanted, sent));
        sent = marker;
        return found;
    };
    EXPECT_EQ(poll(), "2");
    EXPECT_NE(sent, 0);
    EXPECT_EQ(poll(), "0");
    EXPECT_EQ(poll(), "0");

    server.status.players.pop_back();
    server.status.players.erase(server.status.players.begin() + 1); // Tony leaves
    EXPECT_EQ(poll(), "1");
    EXPECT_EQ(poll(), "0");

    server.status.players.clear();
    EXPECT_EQ(poll(), "0");
    EXPECT_EQ(sent, 0);

    server.status.players.push_back({"Grism", 0, 0});
    EXPECT_EQ(poll(), "1");
    // A restarted monitor sends 0 again and hears of the players again.
    sent = 0;
    EXPECT_EQ(poll(), "1");
}

TEST(FindMarkers, AreOrderFreeNonZeroAnd31Bit) {
    EXPECT_EQ(FindMarker({}), 0);
    const auto one = FindMarker({"A", "B"});
    EXPECT_GT(one, 0);
    EXPECT_NE(one, FindMarker({"A"}));
    GameServer forward = Server(1, {"Alpha", "Beta"});
    GameServer backward = Server(1, {"Beta", "Alpha"});
    EXPECT_EQ(FoundAndMarker(StatusLine(forward, {"a"}, 0)).second,
              FoundAndMarker(StatusLine(backward, {"a"}, 0)).second);
}

TEST(Wanted, DecodesStripsAndIgnoresEmptyOrBadNames) {
    EXPECT_EQ(ParseWanted(""), std::vector<std::string>{});
    // A blank or one-letter name would match nearly every player: it matches nothing.
    EXPECT_EQ(ParseWanted("Big+Bad,,%5E1Red,bad%,%20,+x+,.,++ab"),
              (std::vector<std::string>{"big bad", "red", "ab"}));
    std::string many;
    for (int i = 0; i < 100; ++i) {
        many += "n" + std::to_string(i) + ",";
    }
    EXPECT_EQ(ParseWanted(many).size(), kMaxWanted);
}

TEST(StatusReply, OneLinePerDistinctKnownIdInRequestOrder) {
    Registry registry;
    registry.Add(Server(7, {"Grism"}));
    GameServer other = Server(4, {});
    other.host = "127.0.0.2";
    registry.Add(other);
    GameServer silent;
    silent.id = 9;
    silent.host = "127.0.0.3";
    registry.Add(silent);

    const std::string reply = StatusReply(registry, "4,abc,7,7,9,12345,-1,", "0,0,0,0,0", "grism");
    const auto lines = Split(reply, '\n');
    ASSERT_EQ(lines.size(), 3u) << reply;
    EXPECT_EQ(lines[0].substr(0, 2), "4|");
    EXPECT_EQ(lines[1].substr(0, 2), "7|");
    EXPECT_EQ(FoundAndMarker(std::string(lines[1])).first, "1");
    EXPECT_EQ(lines[2], "");

    std::string thousands;
    for (int i = 0; i < 5000; ++i) {
        thousands += "7,";
    }
    EXPECT_EQ(Split(StatusReply(registry, thousands, "x,y", std::string(5000, '%')), '\n').size(),
              2u);
}

TEST(PlayersReply, ListsEveryPlayerAndMarksTheWanted) {
    Registry registry;
    registry.Add(Server(7, {"Grism", "Angelyss"}));
    EXPECT_EQ(PlayersReply(registry, "7", "angel"),
              "7|Live+Name|oa%5Fdm1|2%2F16|12|10|127.0.0.1:27960|1|Angelyss|" +
                  std::to_string(FindMarker({"Angelyss"})) +
                  "\nPlayers:2\nGrism\n3,40,0,0,0,0\nAngelyss\n3,40,0,0,0,1\n");
    EXPECT_EQ(PlayersReply(registry, "8", ""), "");
    EXPECT_EQ(PlayersReply(registry, "x", ""), "");
}

TEST(PlayersReply, NoNameBreaksTheLinesAndTheMonitorReadsEveryPlayer) {
    Registry registry;
    registry.Add(Server(7, {"Players:99", "", "  ", "players:1x", "Grism"}));
    const std::string reply = PlayersReply(registry, "7", "");
    EXPECT_NE(reply.find("\nPlayers:5\n_Players:99\n3,40,0,0,0,0\n(no name)\n3,40,0,0,0,0\n"
                         "(no name)\n3,40,0,0,0,0\n_players:1x\n"),
              std::string::npos)
        << reply;
    AppState state(std::filesystem::temp_directory_path().string());
    state.ServerData(0, StatsID) = "7";
    std::vector<std::string> names;
    for (const PlayerRow& row : ApplyPlayersReply(state, 0, reply).rows) {
        names.push_back(row.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"_Players:99", "(no name)", "(no name)",
                                               "_players:1x", "Grism"}));
}

TEST(StatusReply, StaysWithinItsBoundCuttingFoundNamesWhole) {
    Registry registry;
    std::string ids;
    for (int id = 1; id <= 64; ++id) {
        std::vector<std::string> players;
        players.reserve(256);
        for (int p = 0; p < 256; ++p) {
            players.push_back("Player " + std::to_string(p) + " of a long clan tag [" +
                              std::to_string(id) + "]");
        }
        GameServer server = Server(id, std::move(players));
        server.port = static_cast<std::uint16_t>(27000 + id);
        registry.Add(std::move(server));
        ids += std::to_string(id) + ",";
    }
    const std::string reply = StatusReply(registry, ids, "", "pl");
    EXPECT_LE(reply.size(), kMaxStatusReplyBytes);
    const auto lines = Split(reply, '\n');
    ASSERT_EQ(lines.size(), 65u);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const auto fields = Split(lines[i], '|');
        ASSERT_EQ(fields.size(), 10u) << lines[i];
        EXPECT_EQ(fields[7], "256");
        // Whatever names are listed are whole ones.
        const auto names = URLDecode(fields[8]);
        ASSERT_TRUE(names);
        if (!names->empty()) {
            for (const auto name : Split(*names, ',')) {
                EXPECT_EQ(TrimSpaces(name).substr(0, 7), "Player ");
                EXPECT_EQ(name.back(), ']');
            }
        }
    }
}

TEST(StatusReply, BoundsTheComparisonsOfOneRequest) {
    Registry registry;
    std::string ids;
    for (int id = 1; id <= 64; ++id) {
        std::vector<std::string> players(256, "Grism");
        GameServer server = Server(id, std::move(players));
        server.port = static_cast<std::uint16_t>(27000 + id);
        registry.Add(std::move(server));
        ids += std::to_string(id) + ",";
    }
    const auto foundPerLine = [&](std::string_view request, std::string_view wanted) {
        std::vector<int> found;
        const std::string reply = StatusReply(registry, request, "", wanted);
        for (const auto line : Split(reply, '\n')) {
            if (!line.empty()) {
                found.push_back(ParseInt32(Split(line, '|')[7]).value_or(-1));
            }
        }
        return found;
    };
    // A monitor's poll: five servers, three wanted names, every player compared.
    EXPECT_EQ(foundPerLine("1,2,3,4,5", "gri,xx,yy"), std::vector<int>(5, 256));
    // The largest request: comparisons stop at the bound, the servers after it find none.
    const auto found = foundPerLine(ids, "gr,a1,a2,a3,a4,a5,a6,a7,a8,a9,b1,b2,b3,b4,b5,b6");
    ASSERT_EQ(found.size(), 64u);
    EXPECT_EQ(found.front(), 256);
    EXPECT_EQ(std::accumulate(found.begin(), found.end(), 0),
              static_cast<int>(kMaxMatchChecks / 16));
}

TEST(ConfigReplies, MatchTheGrammarsByteForByte) {
    Config config = DefaultConfig();
    EXPECT_EQ(DirectoryReply(config), "7|Quorvane+Other|||||10||127%2E0%2E0%2E1|27960\n"
                                      "4|Quorvane+TS|||||10||127%2E0%2E0%2E2|27960\n"
                                      "8|Quorvane+CTF|||||10||127%2E0%2E0%2E3|27960\n"
                                      "6|Quorvane+Duel|||||10||127%2E0%2E0%2E4|27960\n"
                                      "9|Quorvane+Public|||||10||127%2E0%2E0%2E5|27960");
    EXPECT_EQ(GameTypesReply(config), "10,Quake III Arena,,+set rconpassword,+set password\n"
                                      "11,OpenArena,,+set rconpassword,+set password\n");
    EXPECT_EQ(UpdateReply(config), "3.25.2003\n,,,21\n");
    config.update = {"3.26", "127.0.0.1", "user", "pw", 2121, {{"pub", "update.exe"}}};
    EXPECT_EQ(UpdateReply(config), "3.26\n127.0.0.1,user,pw,2121\npub,update.exe\n");
}

TEST(Query, SplitsIntoPairs) {
    const auto pairs = ParseQuery("d=7,4&t=0,0&s=&flag");
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0], (std::pair<std::string_view, std::string_view>{"d", "7,4"}));
    EXPECT_EQ(pairs[2].second, "");
    EXPECT_EQ(pairs[3].first, "flag");
}

} // namespace
} // namespace lindrel::stats
