#include "core/AppState.h"
#include "launcher/GameCommand.h"
#include "launcher/ShellOpen.h"
#include "platform/Platform.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lindrel {
namespace {

class CommandLineTest : public ::testing::Test {
protected:
    CommandLineTest() {
        clsGameType quake;
        quake.SetUID(10);
        quake.SetGameMOD("M");
        quake.SetGameRCON("+set rconpassword");
        quake.SetGamePassword("+set password");
        state.GameTypes.Add("GT_10", quake);
        clsGameType plain;
        plain.SetUID(0);
        state.GameTypes.Add("GT_0", plain);
        state.ServerData(1, GameTypeID) = "10";
        state.ServerData(1, ServerIP) = "host";
        state.ServerData(1, ServerPort) = "27960";
    }
    test::TempDir dir;
    AppState state{dir.str()};
};

TEST_F(CommandLineTest, TheWorkedExamples) {
    state.ServerData(1, PlayerConfig) = "c.cfg";
    state.ServerData(1, OtherCmds) = "X";
    EXPECT_EQ(GameCommandLine(state, 1), "M +exec c.cfg +exec c.cfg +connect host:27960 X");

    state.ServerData(1, GameTypeID) = "";
    state.ServerData(1, PlayerConfig) = "";
    state.ServerData(1, OtherCmds) = "";
    EXPECT_EQ(GameCommandLine(state, 1), "+connect host:27960");
}

TEST_F(CommandLineTest, PasswordsStandBetweenTheExecClauses) {
    state.ServerData(1, PlayerConfig) = "me.cfg";
    state.ServerData(1, RconPwd) = "r c";
    state.ServerData(1, GamePwd) = "\"j\"";
    EXPECT_EQ(GameCommandLine(state, 1),
              "M +exec me.cfg +set rconpassword r c +set password \"j\" +exec me.cfg "
              "+connect host:27960");
}

TEST_F(CommandLineTest, SpacesAreTrimmedAndCollapsedFourTimes) {
    state.ServerData(1, OtherCmds) =
        "  a" + std::string(16, ' ') + "b" + std::string(17, ' ') + "c   ";
    EXPECT_EQ(GameCommandLine(state, 1), "M +connect host:27960 a b  c");
    state.ServerData(1, GamePwd) = " "; // present: only spaces, but not empty
    EXPECT_NE(GameCommandLine(state, 1).find("+set password +connect"), std::string::npos);
}

TEST_F(CommandLineTest, AMissingGameTypeOrSlotIsLoggedAndStartsNothing) {
    state.ServerData(1, GameTypeID) = "7";
    EXPECT_THROW(GameCommandLine(state, 1), std::invalid_argument);
    RunGame(state, 1);
    RunGame(state, 9);
    const std::string log = test::ReadFile(dir / "lindrellog.log");
    EXPECT_NE(log.find("] RunGame_Error [5] no game type GT_7\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] RunGame_Error [9] slot 9 is not 0 to 4\r\n"), std::string::npos);
}

TEST(GetFileFolder, KeepsTheSeparatorsAsWritten) {
    EXPECT_EQ(GetFileFolder("C:\\Games\\q3.exe"), "C:\\Games");
    EXPECT_EQ(GetFileFolder("C:\\q3.exe"), "C:");
    EXPECT_EQ(GetFileFolder("\\q3.exe"), "");
    EXPECT_EQ(GetFileFolder("D:/Games/q3/quake3.exe"), "D:/Games/q3");
    EXPECT_EQ(GetFileFolder("/usr/games/openarena"), "/usr/games");
    EXPECT_EQ(GetFileFolder("quake3"), "C:\\");
    EXPECT_EQ(GetFileFolder(""), "C:\\");
}

TEST(ShellErrorText, TheTable) {
    EXPECT_EQ(ShellErrorText(42), "Operation successful");
    EXPECT_EQ(ShellErrorText(1), "Operation successful");
    EXPECT_EQ(ShellErrorText(32), "DLL Not found");
    EXPECT_EQ(ShellErrorText(4), "Unknown error");
    EXPECT_EQ(ShellErrorText(-1), "Unknown error");
    EXPECT_EQ(ShellErrorText(0), "Out of memory");
    EXPECT_EQ(ShellErrorText(2), "File Not found");
    EXPECT_EQ(ShellErrorText(31), "No association For file extension");
}

TEST(PathText, ProperCaseAndLongPath) {
    EXPECT_EQ(ProperCasePath("c:\\PROGRAM files\\quake3.EXE"), "C:\\Program Files\\Quake3.exe");
    EXPECT_EQ(ProperCasePath(""), "");
    test::TempDir dir;
    std::filesystem::create_directory(dir / "Games");
    test::WriteFile(dir / "Games" / "q3", "");
    const std::string path = (dir / "Games" / "q3").string();
    EXPECT_EQ(platform::ListingQuery(path, platform::kListFiles), "q3");
    EXPECT_EQ(platform::ListingQuery((dir / "Games").string(), platform::kListFiles), "");
    EXPECT_EQ(platform::ListingQuery((dir / "Games").string(), platform::kListFilesAndFolders),
              "Games");
    EXPECT_EQ(platform::ListingQuery(path + "x", platform::kListFiles), "");
    EXPECT_EQ(GetLongPath(path), ProperCasePath(path));
    EXPECT_EQ(GetLongPath(path + "x"), path + "x");
    EXPECT_EQ(GetLongPath(""), "");
}

// A game that writes its working folder and its arguments, one a line, to a file.
class FakeGame : public ::testing::Test {
protected:
    FakeGame() {
        std::filesystem::create_directory(dir / "game folder");
        game = (dir / "game folder" / "quake3").string();
        test::WriteFile(game, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > \"" +
                                  (dir / "ran.txt").string() + ".part\"\nmv \"" +
                                  (dir / "ran.txt").string() + ".part\" \"" +
                                  (dir / "ran.txt").string() + "\"\n");
        ::chmod(game.c_str(), 0755);
    }
    std::string WaitForRun() const { return test::WaitForFile(dir / "ran.txt"); }
    test::TempDir dir;
    std::string game;
};

TEST_F(FakeGame, RunGameStartsItInItsFolderWithTheParameters) {
    AppState state(dir.str());
    clsGameType quake;
    quake.SetUID(10);
    quake.SetGameRCON("+set rconpassword");
    state.GameTypes.Add("GT_10", quake);
    state.ServerData(2, GameTypeID) = "10";
    state.ServerData(2, ServerIP) = "127.0.0.1";
    state.ServerData(2, ServerPort) = "27960";
    state.ServerData(2, RconPwd) = "secret";
    state.ServerData(2, OtherCmds) = "+set name \"Big Bad\"";
    state.ServerData(2, ExePath) = game;
    RunGame(state, 2);
    EXPECT_EQ(WaitForRun(),
              (dir / "game folder").string() +
                  "\n[+set]\n[rconpassword]\n[secret]\n[+connect]\n[127.0.0.1:27960]\n"
                  "[+set]\n[name]\n[\"Big]\n[Bad\"]\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "lindrellog.log"));
}

TEST_F(FakeGame, ExecuteFileDescribesTheOutcome) {
    EXPECT_EQ(ExecuteFile(game, "", ""), game + "  : Operation successful");
    WaitForRun();
    EXPECT_EQ(ExecuteFile(game + "x", "a", ""), game + "x a : File Not found");
    EXPECT_EQ(ExecuteFile(game, "a", (dir / "nowhere").string()), game + " a : Path Not found");
}

} // namespace
} // namespace lindrel
