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
// key the state holds, started in the data folder.
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
    AppState state{dir.str()};
    state.UpdatePublicKey = key.publicKey();
    state.StatsBaseURL = service.BaseUrl();
    service.Answer("f=2", "9.9\n127.0.0.1," + ftp.user() + "," + ftp.password() + "," +
                              std::to_string(ftp.port()) + "\npub,update.exe\npub,newfile.dat\n");
    EXPECT_TRUE(CheckForUpdate(state, [] {}));
    EXPECT_EQ(test::ReadFile(dir / "newfile.dat"), "new data");
    EXPECT_EQ(test::WaitForFile(dir / "argv.txt"), dir.str() + "\n");
    EXPECT_EQ(test::LogMessages(dir),
              (std::vector<std::string>{"Update Found: 9.9", "DownloadFile: pub|update.exe",
                                        "DownloadFile: pub|newfile.dat"}));
}

} // namespace
} // namespace lindrel
