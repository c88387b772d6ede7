#include "core/AppState.h"

#include <gtest/gtest.h>

namespace lindrel {
namespace {

TEST(AppFile, AddsOneSeparatorUnlessTheFolderEndsWithOne) {
    EXPECT_EQ(AppState("/").AppFile("global.dat"), "/global.dat");
    EXPECT_EQ(AppState("/games/mon").AppFile("global.dat"), "/games/mon/global.dat");
    EXPECT_EQ(AppState("/games/mon/").AppFile("global.dat"), "/games/mon/global.dat");
}

TEST(ServerCaption, PrefersTheOwnNameOverTheReportedOne) {
    AppState state("/tmp");
    EXPECT_EQ(state.ServerCaption(2), "");
    state.ServerStatus[2].ReportedName = "Reported";
    EXPECT_EQ(state.ServerCaption(2), "Reported");
    state.ServerData(2, ServerName) = "Own";
    EXPECT_EQ(state.ServerCaption(2), "Own");
}

TEST(AppState, StartsWithTheDocumentedValues) {
    AppState state("/tmp");
    EXPECT_EQ(state.GlobalData[UserName], "Join Quorvane");
    EXPECT_EQ(state.GlobalData[Password], "Yourpass");
    EXPECT_EQ(state.GlobalData[FindPlayer3], "");
    for (const auto& status : state.ServerStatus) {
        EXPECT_EQ(status.DownAlerted, "0");
        EXPECT_EQ(status.MapName, "");
    }
    EXPECT_EQ(state.FindMark, (std::array<std::int32_t, kSlotCount>{}));
    EXPECT_FALSE(state.DialogOpen);
    EXPECT_EQ(state.SelectedSlot, 0);
    EXPECT_THROW(state.ServerData(5, 0), std::out_of_range);
}

TEST(GameTypes, KeepInsertionOrderAndRefuseATakenKey) {
    GameTypeCollection types;
    clsGameType quake;
    quake.SetUID(10);
    quake.SetGameType("Quake III Arena");
    clsGameType arena;
    arena.SetUID(7);
    arena.SetGameType("OpenArena");
    EXPECT_TRUE(types.Add(GameTypeCollection::KeyFor(10), quake));
    EXPECT_TRUE(types.Add(GameTypeCollection::KeyFor(7), arena));
    clsGameType again;
    again.SetGameType("second ten");
    EXPECT_FALSE(types.Add("GT_10", again));

    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types.at(0).GameType(), "Quake III Arena");
    EXPECT_EQ(types.at(1).UID(), 7);
    ASSERT_NE(types.Find("GT_10"), nullptr);
    EXPECT_EQ(types.Find("GT_10")->GameType(), "Quake III Arena");
    EXPECT_EQ(types.Find("GT_-1"), nullptr);
    EXPECT_EQ(GameTypeCollection::KeyFor(-3), "GT_-3");
}

} // namespace
} // namespace lindrel
