#include "update/Update.h"

#include "core/AppState.h"
#include "platform/Platform.h"
#include "support/FtpServer.h"
#include "support/LogLines.h"
#include "support/Minisign.h"
#include "support/ScriptedService.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

// The whole update on Windows: the offer over WinINet's HTTP, both files over its FTP,
// and "update.exe", a real Windows program (the stand-in game), signed by minisign with the
// key the state holds, started in the data folder: once in a plain one, once in a folder
// whose name no ANSI code page holds (as a user folder "C:\\Users\\Jürgen" under
// Cyrillic's code page would be).
TEST(Win32Update, FetchesBothFilesAndStartsTheUpdater) {
    test::TempDir dir;
    test::ScriptedService service;
    test::FtpServer ftp;
    std::filesystem::create_directory(ftp.root() / "pub");
    std::filesystem::copy_file(platform::ProgramFolder() + "\\" + LINDREL_ARGV_ECHO,
                               ftp.root() / "pub" / "update.exe");
    test::WriteFile(ftp.root() / "pub" / "newfile.dat", "new data");
    const test::MinisignKey key;
    for (const char* name : {"update.exe", "newfile.dat"}) {
        key.Sign(ftp.root() / "pub" / name, std::string("lindrel-update 9.9 ") + name);
    }
    service.Answer("f=2", "9.9\n127.0.0.1," + ftp.user() + "," + ftp.password() + "," +
                              std::to_string(ftp.port()) + "\npub,update.exe\npub,newfile.dat\n");
    const auto unicodeFolder =
        dir.path() / std::filesystem::path(u8"J\u00fcrgen \u0421\u0435\u0440\u0432\u0435\u0440");
    std::filesystem::create_directory(unicodeFolder);
    for (const auto& folder : {dir.path(), unicodeFolder}) {
        const std::u8string utf8 = folder.u8string();
        AppState state{std::string(utf8.begin(), utf8.end())};
        SCOPED_TRACE(state.appFolder);
        state.StatsBaseURL = service.BaseUrl();
        state.UpdatePublicKey = key.publicKey();
        EXPECT_TRUE(CheckForUpdate(state, [] {}));
        EXPECT_EQ(test::ReadFile(folder / "newfile.dat"), "new data");
        EXPECT_EQ(test::WaitForFile(folder / "argv.txt"), state.appFolder + "\n");
        EXPECT_EQ(test::LogMessages(folder),
                  (std::vector<std::string>{"Update Found: 9.9", "DownloadFile: pub|update.exe",
                                            "DownloadFile: pub|newfile.dat"}));
    }
}

} // namespace
} // namespace lindrel
