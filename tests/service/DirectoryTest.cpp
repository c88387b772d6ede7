#include "service/Directory.h"

#include "core/AppState.h"
#include "support/ScriptedService.h"

#include <gtest/gtest.h>

namespace lindrel {
namespace {

class DirectoryTest : public ::testing::Test {
protected:
    DirectoryTest() { state.StatsBaseURL = service.BaseUrl(); }

    // A directory line: id|name|2|3|4|5|gametype|7|address|port
    static std::string Entry(const std::string& id, const std::string& name,
                             const std::string& address) {
        return id + "|" + name + "|x|x|x|x|11|x|" + address + "|27961";
    }

    test::ScriptedService service;
    AppState state{"/nonexistent"};
};

TEST_F(DirectoryTest, EmptyReplyGivesTheBuiltInTable) {
    state.GlobalData[UserName] = "changed";
    state.ServerStatus[3].DownAlerted = "1";
    LoadServerDirectory(state);

    const char* names[] = {"Quorvane Other", "Quorvane TS", "Quorvane CTF", "Quorvane Duel",
                           "Quorvane Public"};
    const char* ids[] = {"7", "4", "8", "6", "9"};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto& servers = state.DefaultServers;
        EXPECT_EQ(servers(slot, ServerName), names[slot]);
        EXPECT_EQ(servers(slot, StatsID), ids[slot]);
        EXPECT_EQ(servers(slot, ServerIP), "127.0.0." + std::to_string(slot + 1));
        EXPECT_EQ(servers(slot, ServerPort), "27960");
        EXPECT_EQ(servers(slot, GameTypeID), "10");
        EXPECT_EQ(servers(slot, ExePath), "C:\\Program Files\\Quake III Arena\\quake3.exe");
        EXPECT_EQ(servers(slot, DownNotify), "1");
        EXPECT_EQ(servers(slot, RconPwd), "");
        EXPECT_EQ(state.ServerStatus[static_cast<std::size_t>(slot)].DownAlerted, "0");
    }
    EXPECT_EQ(state.GlobalData, GlobalTable{});
    EXPECT_EQ(service.Queries(), std::vector<std::string>{"f=3"});
}

TEST_F(DirectoryTest, FiveLinesFillTheSlotsAndAShortLineIsSkipped) {
    service.Answer("f=3", Entry("21", "Alpha+One", "10%2E0%2E0%2E1") + "\n" +
                              Entry("22", "Beta", "b") + "\n" + "23|Gamma|x|x|x|x|11|x|c\n" +
                              Entry("24", "Delta", "d") + "\n" + Entry("25", "Epsilon", "e"));
    LoadServerDirectory(state);
    const auto& servers = state.DefaultServers;
    EXPECT_EQ(servers(0, ServerName), "Alpha One");
    EXPECT_EQ(servers(0, ServerIP), "10.0.0.1");
    EXPECT_EQ(servers(0, ServerPort), "27961");
    EXPECT_EQ(servers(0, StatsID), "21");
    EXPECT_EQ(servers(0, GameTypeID), "11");
    EXPECT_EQ(servers(0, ExePath), "C:\\Program Files\\Quake III Arena\\quake3.exe");
    EXPECT_EQ(servers(0, DownNotify), "1");
    EXPECT_EQ(servers(2, ServerName), "");
    EXPECT_EQ(servers(2, StatsID), "");
    EXPECT_EQ(servers(4, ServerName), "Epsilon");
}

TEST_F(DirectoryTest, AnythingButFiveLinesFillsNothing) {
    std::string five;
    for (int i = 0; i < 5; ++i) {
        five += Entry(std::to_string(i), "N", "a") + "\n";
    }
    for (const std::string& reply : {five, five + "x", std::string("only one line")}) {
        AppState fresh("/nonexistent");
        fresh.StatsBaseURL = service.BaseUrl();
        service.Answer("f=3", reply);
        LoadServerDirectory(fresh);
        EXPECT_EQ(fresh.DefaultServers, ServerTable{});
    }
}

TEST_F(DirectoryTest, LineWithAFieldThatFailsToDecodeLeavesItsSlot) {
    service.Answer("f=3", Entry("1", "A", "a") + "\n" + Entry("2", "Bad%", "b") + "\n" +
                              Entry("3", "C", "c") + "\n" + Entry("4", "D", "d") + "\n" +
                              Entry("5", "E", "e"));
    LoadServerDirectory(state);
    EXPECT_EQ(state.DefaultServers(0, ServerName), "A");
    EXPECT_EQ(state.DefaultServers(1, ServerName), "");
    EXPECT_EQ(state.DefaultServers(2, ServerName), "C");
}

TEST_F(DirectoryTest, GameTypesAreReadInReplyOrder) {
    service.Answer("f=1", " 10 , Quake III Arena ,baseq3, +set rconpassword ,+set password\n"
                          "7,OpenArena,baseoa,+set rconpassword,+set password,extra\n"
                          "short,line\n"
                          "2.5,Rounded,m,r,p");
    LoadGameTypes(state);
    ASSERT_EQ(state.GameTypes.size(), 3u);
    const clsGameType& quake = state.GameTypes.at(0);
    EXPECT_EQ(quake.UID(), 10);
    EXPECT_EQ(quake.GameType(), "Quake III Arena");
    EXPECT_EQ(quake.GameMOD(), "baseq3");
    EXPECT_EQ(quake.GameRCON(), "+set rconpassword");
    EXPECT_EQ(quake.GamePassword(), "+set password");
    EXPECT_EQ(state.GameTypes.Find("GT_7")->GameType(), "OpenArena");
    EXPECT_EQ(state.GameTypes.at(2).UID(), 2);
    EXPECT_NE(state.GameTypes.Find("GT_2"), nullptr);
}

TEST_F(DirectoryTest, GameTypesNeedThreeLines) {
    const std::string two = "10,Quake,a,b,c\n7,Arena,a,b,c";
    service.Answer("f=1", two + "\n");
    LoadGameTypes(state);
    EXPECT_EQ(state.GameTypes.size(), 2u);

    service.Answer("f=1", two);
    LoadGameTypes(state);
    EXPECT_TRUE(state.GameTypes.empty());

    service.Answer("f=1", "");
    LoadGameTypes(state);
    EXPECT_TRUE(state.GameTypes.empty());
}

TEST_F(DirectoryTest, SecondGameTypeWithTheSameUidIsDropped) {
    service.Answer("f=1", "10,First,a,b,c\n10,Second,a,b,c\nabc,NoDigits,a,b,c\n");
    LoadGameTypes(state);
    ASSERT_EQ(state.GameTypes.size(), 2u);
    EXPECT_EQ(state.GameTypes.Find("GT_10")->GameType(), "First");
    EXPECT_EQ(state.GameTypes.Find("GT_0")->GameType(), "NoDigits");
}

TEST_F(DirectoryTest, LookupResults) {
    std::string name = "unchanged";
    EXPECT_EQ(LookupServer(state, " 127.0.0.9 ", " 27960 ", 10, name), kLookupNoReply);
    EXPECT_EQ(service.Queries().back(), "r=127.0.0.9:27960,10");
    EXPECT_EQ(name, "unchanged");

    const std::string query = "r=127.0.0.9:27960,-1";
    for (const auto& [reply, expected] :
         std::vector<std::pair<std::string, int>>{{"no server found", kLookupNotFound},
                                                  {"  NO SERVER FOUND\n", kLookupNotFound},
                                                  {"12", kLookupMalformed},
                                                  {"abc|Name", kLookupMalformed},
                                                  {"12|My%20Server", 12},
                                                  {"\n4|\nSplit+Name\n", 4}}) {
        service.Answer(query, reply);
        EXPECT_EQ(LookupServer(state, "127.0.0.9", "27960", -1, name), expected) << reply;
    }
    EXPECT_EQ(name, "Split Name");

    service.Answer(query, "5|Bad%");
    EXPECT_EQ(LookupServer(state, "127.0.0.9", "27960", -1, name), 5);
    EXPECT_EQ(name, "Split Name");
}

} // namespace
} // namespace lindrel
