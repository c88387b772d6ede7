#include "core/Settings.h"

#include "core/AppState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lindrel {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        // Defaults as the built-in directory gives them, one value per field so that a
        // misplaced column shows.
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (int field = 0; field < kServerFieldCount; ++field) {
                state.DefaultServers(slot, field) =
                    "d" + std::to_string(slot) + "_" + std::to_string(field);
            }
        }
    }

    std::string Servers() const { return test::ReadFile(dir / "lindrel.dat"); }
    std::string Globals() const { return test::ReadFile(dir / "global.dat"); }
    void WriteServers(std::string_view content) const {
        test::WriteFile(dir / "lindrel.dat", content);
    }
    void WriteGlobals(std::string_view content) const {
        test::WriteFile(dir / "global.dat", content);
    }
    static std::string Line(int slot, const std::string& value) {
        std::string line = std::to_string(slot);
        for (int field = 0; field < kServerFieldCount; ++field) {
            line += "," + value + std::to_string(field);
        }
        return line + "\r\n";
    }

    test::TempDir dir;
    AppState state{dir.str()};
};

TEST_F(SettingsTest, SaveWritesTheDocumentedLayout) {
    state.ServerData = ServerTable{};
    state.ServerData(0, ServerName) = "Quorvane Other";
    state.ServerData(0, ServerIP) = "127.0.0.1";
    state.ServerData(0, ServerPort) = "27960";
    state.ServerData(0, StatsID) = "7";
    state.ServerData(0, GameTypeID) = "10";
    state.ServerData(0, ExePath) = "C:\\Program Files\\Quake III Arena\\quake3.exe";
    state.ServerData(0, DownNotify) = "1";
    state.GlobalData[FindPlayer1] = " Spaced, Name% ";
    SaveSettings(state);

    EXPECT_EQ(Servers(), "0,Quorvane+Other,127%2E0%2E0%2E1,27960,,,,,7,10,"
                         "C%3A%5CProgram+Files%5CQuake+III+Arena%5Cquake3%2Eexe,1\r\n"
                         "1,,,,,,,,,,,\r\n2,,,,,,,,,,,\r\n3,,,,,,,,,,,\r\n4,,,,,,,,,,,\r\n");
    EXPECT_EQ(Globals(), "Join Quorvane\r\nYourpass\r\n Spaced, Name% \r\n\r\n\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "lindrel.dat.tmp"));
}

TEST_F(SettingsTest, RoundTripGivesBackEveryValue) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    const std::vector<std::string> values = {"",    "a,b,,c",  " spaced out ", "100%", "a+b",
                                             "%41", everyByte, "\r\n\r\n",     "|"};
    ServerTable expected;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        for (int field = 0; field < kServerFieldCount; ++field) {
            expected(slot, field) =
                values[static_cast<std::size_t>(slot * 11 + field) % values.size()];
        }
    }
    state.ServerData = expected;
    SaveSettings(state);

    AppState reloaded(dir.str());
    reloaded.DefaultServers = state.DefaultServers;
    LoadSettings(reloaded);
    EXPECT_EQ(reloaded.ServerData, expected);
}

TEST_F(SettingsTest, FirstStartWritesBothFilesFromTheDefaults) {
    LoadSettings(state);
    EXPECT_EQ(state.ServerData, state.DefaultServers);
    EXPECT_EQ(state.GlobalData, GlobalTable{});
    EXPECT_NE(Servers().find("0,d0%5F0,d0%5F1,"), std::string::npos);
    EXPECT_EQ(Globals(), "Join Quorvane\r\nYourpass\r\n\r\n\r\n\r\n");
}

TEST_F(SettingsTest, LostServerFileKeepsTheGlobalOptions) {
    WriteGlobals("Me\r\nSecret\r\nWanted One\r\n\r\nWanted Three\r\n");
    LoadSettings(state);
    EXPECT_EQ(state.GlobalData[UserName], "Me");
    EXPECT_EQ(state.GlobalData[FindPlayer3], "Wanted Three");
    EXPECT_EQ(Globals(), "Me\r\nSecret\r\nWanted One\r\n\r\nWanted Three\r\n");
    EXPECT_EQ(state.ServerData, state.DefaultServers);
}

TEST_F(SettingsTest, EmptyFileIsReadWithoutChangeAndNotRewritten) {
    WriteServers("");
    LoadSettings(state);
    EXPECT_EQ(state.ServerData, state.DefaultServers);
    EXPECT_EQ(Servers(), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "global.dat"));
}

TEST_F(SettingsTest, SlotsTheFileDoesNotNameKeepTheirDefaults) {
    WriteServers(Line(1, "one") + Line(3, "three"));
    LoadSettings(state);
    EXPECT_EQ(state.ServerData(0, ServerName), "d0_0");
    EXPECT_EQ(state.ServerData(1, ServerName), "one0");
    EXPECT_EQ(state.ServerData(1, DownNotify), "one10");
    EXPECT_EQ(state.ServerData(2, ExePath), "d2_9");
    EXPECT_EQ(state.ServerData(3, StatsID), "three7");
    EXPECT_EQ(state.ServerData(4, ServerName), "d4_0");
}

TEST_F(SettingsTest, LinesWithoutTwelveFieldsAreIgnored) {
    WriteServers("1,a,b,c,d,e,f,g,h,i,j\r\n2,a,b,c,d,e,f,g,h,i,j,k,l\r\n");
    LoadSettings(state);
    EXPECT_EQ(state.ServerData, state.DefaultServers);
}

TEST_F(SettingsTest, LaterLineForASlotWinsAndSpacesAroundALineAreDropped) {
    std::string second = Line(2, "second");
    second.resize(second.size() - 2);
    WriteServers(Line(2, "first") + "   " + second + "   \r\n");
    LoadSettings(state);
    EXPECT_EQ(state.ServerData(2, ServerName), "second0");
    EXPECT_EQ(state.ServerData(2, DownNotify), "second10");
}

TEST_F(SettingsTest, SlotNumberIsRoundedBeforeTheRangeCheck) {
    WriteServers(Line(0, "x").replace(0, 1, "4.6") + Line(0, "y").replace(0, 1, "-0.4") +
                 Line(0, "z").replace(0, 1, "abc") + Line(0, "w").replace(0, 1, "3.4"));
    LoadSettings(state);
    EXPECT_EQ(state.ServerData(0, ServerName), "y0");
    EXPECT_EQ(state.ServerData(3, ServerName), "w0");
    EXPECT_EQ(state.ServerData(4, ServerName), "d4_0");
}

TEST_F(SettingsTest, FieldThatFailsToDecodeKeepsItsValue) {
    WriteServers("1,ok,bad%,%ZZ,,,,,,,,tail%4\r\n");
    LoadSettings(state);
    EXPECT_EQ(state.ServerData(1, ServerName), "ok");
    EXPECT_EQ(state.ServerData(1, ServerIP), "d1_1");
    EXPECT_EQ(state.ServerData(1, ServerPort), "d1_2");
    EXPECT_EQ(state.ServerData(1, RconPwd), "");
    EXPECT_EQ(state.ServerData(1, DownNotify), "tail\x04");
}

TEST_F(SettingsTest, TenthEmptyLineRewritesTheFile) {
    std::string content = Line(1, "kept");
    for (int i = 0; i < 10; ++i) {
        content += (i % 2 == 0) ? "\r\n" : "    \r\n";
    }
    content += Line(2, "never");
    WriteServers(content);
    LoadSettings(state);
    EXPECT_EQ(state.ServerData(1, ServerName), "kept0");
    EXPECT_EQ(state.ServerData(2, ServerName), "d2_0");
    const std::string rewritten = Servers();
    EXPECT_EQ(std::count(rewritten.begin(), rewritten.end(), '\n'), 5);
    EXPECT_EQ(rewritten.rfind("1,kept0,kept1,", 0), std::string::npos);
    EXPECT_NE(rewritten.find("\r\n1,kept0,kept1,"), std::string::npos);
}

TEST_F(SettingsTest, NineEmptyLinesChangeNothing) {
    std::string content = Line(1, "kept");
    for (int i = 0; i < 9; ++i) {
        content += "\r\n";
    }
    WriteServers(content);
    LoadSettings(state);
    EXPECT_EQ(Servers(), content);
}

TEST_F(SettingsTest, GlobalLinesAreTakenUnchangedAndEmptyOnesKeepTheDefault) {
    WriteServers(Line(0, "s"));
    WriteGlobals("\r\n  padded  \r\nx%41+\nfour\r\nfive\r\nsixth\r\n");
    LoadSettings(state);
    EXPECT_EQ(state.GlobalData[UserName], "Join Quorvane");
    EXPECT_EQ(state.GlobalData[Password], "  padded  ");
    EXPECT_EQ(state.GlobalData[FindPlayer1], "x%41+");
    EXPECT_EQ(state.GlobalData[FindPlayer2], "four");
    EXPECT_EQ(state.GlobalData[FindPlayer3], "five");
}

TEST_F(SettingsTest, HandEditedGarbageNeitherCrashesNorHangs) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 37) % 256);
    }
    const std::string megabyteLine(1 << 20, 'x');
    std::string manyLines;
    for (int i = 0; i < 100000; ++i) {
        manyLines += "0,a,b\r\n";
    }
    for (const std::string& content : {binary, megabyteLine, manyLines + Line(4, "end")}) {
        WriteServers(content);
        WriteGlobals(content);
        AppState fresh(dir.str());
        fresh.DefaultServers = state.DefaultServers;
        LoadSettings(fresh);
        EXPECT_EQ(fresh.ServerData(0, ServerName), "d0_0");
    }
    AppState last(dir.str());
    LoadSettings(last);
    EXPECT_EQ(last.ServerData(4, ServerName), "end0");
}

TEST_F(SettingsTest, SaveKeepsTheFilePermissions) {
    SaveSettings(state);
    ASSERT_EQ(::chmod((dir / "lindrel.dat").c_str(), 0600), 0);
    state.ServerData(0, ServerName) = "changed";
    SaveSettings(state);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "lindrel.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Servers().rfind("0,changed,", 0), 0u);
}

TEST(Settings, UnwritableFolderLeavesTheValuesInMemory) {
    AppState state("/nonexistent-lindrel-folder");
    state.DefaultServers(0, ServerName) = "default";
    LoadSettings(state);
    EXPECT_EQ(state.ServerData(0, ServerName), "default");
    SaveSettings(state);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-lindrel-folder"));
}

} // namespace
} // namespace lindrel
