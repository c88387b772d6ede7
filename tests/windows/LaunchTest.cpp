#include "core/AppState.h"
#include "launcher/GameCommand.h"
#include "launcher/ShellOpen.h"
#include "platform/Platform.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

namespace fs = std::filesystem;

// A copy of the stand-in game in a folder of its own, whose name has a space, as
// "C:\Program Files\..." has.
class Win32Game : public ::testing::Test {
protected:
    Win32Game() {
        fs::create_directory(dir / "Game Folder");
        game = dir.str() + "\\Game Folder\\quake3.exe";
        fs::copy_file(platform::ProgramFolder() + "\\" + LINDREL_ARGV_ECHO, game);
    }
    // The game's folder, then one argument a line.
    std::string WaitForRun() const { return test::WaitForFile(dir / "Game Folder" / "argv.txt"); }

    test::TempDir dir;
    std::string game;
};

TEST_F(Win32Game, ArgumentsArriveAsTheyWereGiven) {
    const std::vector<std::string> arguments = {
        "plain",      "two words",
        "say \"hi\"", "back\\slash",
        "ends\\",     "ends with space\\",
        "",           "\\\\server\\share",
        "\"",         "\xd0\xa1\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80"};
    ASSERT_EQ(platform::StartDetached(game, arguments, dir.str() + "\\Game Folder"),
              platform::StartResult::Started);
    std::string expected = dir.str() + "\\Game Folder\n";
    for (const auto& argument : arguments) {
        expected += argument + "\n";
    }
    EXPECT_EQ(WaitForRun(), expected);
}

TEST_F(Win32Game, RunGameStartsItInItsFolderWithTheParameters) {
    AppState state(dir.str());
    clsGameType quake;
    quake.SetUID(10);
    quake.SetGameRCON("+set rconpassword");
    state.GameTypes.Add("GT_10", quake);
    state.ServerData(2, GameTypeID) = "10";
    state.ServerData(2, ServerIP) = "127.0.0.1";
    state.ServerData(2, ServerPort) = "27960";
    state.ServerData(2, RconPwd) = "\"secret\"";
    state.ServerData(2, ExePath) = game;
    RunGame(state, 2);
    EXPECT_EQ(WaitForRun(), dir.str() + "\\Game Folder\n+set\nrconpassword\n\"secret\"\n"
                                        "+connect\n127.0.0.1:27960\n");
}

TEST_F(Win32Game, ShellOpenTellsWhatWentWrong) {
    EXPECT_EQ(GetFileFolder(game), dir.str() + "\\Game Folder");
    EXPECT_EQ(GetFileFolder("C:\\Games\\q3.exe"), "C:\\Games");
    EXPECT_EQ(ExecuteFile(game + "x", "a", ""), game + "x a : File Not found");
    EXPECT_EQ(ExecuteFile(game, "a", dir.str() + "\\nowhere"), game + " a : Path Not found");
    // A document of a type nothing opens.
    const std::string document = dir.str() + "\\notes.lindrel-unknown";
    test::WriteFile(document, "x");
    EXPECT_EQ(ExecuteFile(document, "", dir.str()),
              document + "  : No association For file extension");
}

} // namespace
} // namespace lindrel
