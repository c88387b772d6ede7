#include "update/Update.h"

#include "core/AppState.h"
#include "support/FtpServer.h"
#include "support/LogLines.h"
#include "support/Minisign.h"
#include "support/ScriptedService.h"
#include "update/Signature.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace lindrel {
namespace {

using test::LogMessages;

class UpdateTest : public ::testing::Test {
protected:
    UpdateTest() {
        state.StatsBaseURL = service.BaseUrl();
        std::filesystem::create_directory(ftp.root() / "pub");
        // The updater records its folder and how many arguments it got, and counts its
        // starts.
        test::WriteFile(ftp.root() / "pub" / "update.exe",
                        "#!/bin/sh\necho start >> starts\n"
                        "{ pwd; echo \"$#\"; } > ran.part && mv ran.part ran.txt\n");
        test::WriteFile(ftp.root() / "pub" / "newfile.dat", "new data");
        state.UpdatePublicKey = key.publicKey();
        SignServed("update.exe");
        SignServed("newfile.dat");
    }
    std::filesystem::path Served(const std::string& name) const {
        return ftp.root() / "pub" / name;
    }
    void SignServed(const std::string& name, const std::string& comment = {}) const {
        key.Sign(Served(name), comment.empty() ? "lindrel-update 9.9 " + name : comment);
    }
    std::string Account() const {
        return "127.0.0.1," + ftp.user() + "," + ftp.password() + "," + std::to_string(ftp.port());
    }
    std::string UpdaterRun() const { return test::WaitForFile(dir / "ran.txt"); }
    bool Check() {
        return CheckForUpdate(state, [this] { ++pumps; });
    }

    test::TempDir dir;
    test::ScriptedService service;
    test::FtpServer ftp;
    test::MinisignKey key;
    AppState state{dir.str()};
    int pumps = 0;
};

TEST_F(UpdateTest, FetchesBothFilesAndStartsTheUpdater) {
    service.Answer("f=2", "9.9\n" + Account() + "\npub,update.exe\npub,newfile.dat\n");
    EXPECT_TRUE(Check());
    EXPECT_EQ(test::ReadFile(dir / "newfile.dat"), "new data");
    EXPECT_EQ(UpdaterRun(), dir.str() + "\n0\n");
    EXPECT_EQ(LogMessages(dir),
              (std::vector<std::string>{"Update Found: 9.9", "DownloadFile: pub|update.exe",
                                        "DownloadFile: pub|newfile.dat"}));
    EXPECT_GT(pumps, 4);
}

// A program folder named in other scripts than Latin (as a user's folder may be).
TEST_F(UpdateTest, UpdatesAProgramFolderOfAnyName) {
    const auto folder = dir.path() / "J\u00fcrgen" / "\u0421\u0435\u0440\u0432\u0435\u0440";
    std::filesystem::create_directories(folder);
    state.appFolder = folder.string();
    service.Answer("f=2", "9.9\n" + Account() + "\npub,update.exe\npub,newfile.dat\n");
    EXPECT_TRUE(Check());
    EXPECT_EQ(test::ReadFile(folder / "newfile.dat"), "new data");
    EXPECT_EQ(test::WaitForFile(folder / "ran.txt"), state.appFolder + "\n0\n");
    EXPECT_EQ(LogMessages(folder).back(), "DownloadFile: pub|newfile.dat");
}

TEST_F(UpdateTest, OneFileMissingStartsNothing) {
    service.Answer("f=2", "9.9\n" + Account() + "\npub,update.exe\npub,gone.dat\n");
    EXPECT_FALSE(Check());
    EXPECT_TRUE(std::filesystem::exists(dir / "update.exe"));
    EXPECT_EQ(LogMessages(dir).back(), "Download Failed");
    // Nothing started: a whole update after it starts the updater once, and its start is
    // the only one counted (a late start of the first would count too).
    service.Answer("f=2", "9.9\n" + Account() + "\npub,update.exe\npub,newfile.dat\n");
    EXPECT_TRUE(Check());
    EXPECT_FALSE(test::WaitForFile(dir / "ran.txt").empty());
    EXPECT_EQ(test::ReadFile(dir / "starts"), "start\n");

    RemoveUpdateFiles(state);
    EXPECT_FALSE(std::filesystem::exists(dir / "update.exe"));
    EXPECT_FALSE(std::filesystem::exists(dir / "update.exe.minisig"));
}

// The FTP server goes away in the middle of the updater's transfer, after the data file
// arrived whole: the part of the updater that came is neither started nor left in place.
TEST(UpdateBrokenOff, ServerGoneMidTransferStartsNothing) {
    test::TempDir dir;
    test::ScriptedService service;
    test::FtpServer ftp("lindrel", "secret", 64 * 1024);
    std::filesystem::create_directory(ftp.root() / "pub");
    test::WriteFile(ftp.root() / "pub" / "newfile.dat", "new data");
    const test::MinisignKey key;
    key.Sign(ftp.root() / "pub" / "newfile.dat", "lindrel-update 9.9 newfile.dat");
    // Any start of it would run, so a half that ran would show; the padding makes its
    // transfer last seconds.
    test::WriteFile(ftp.root() / "pub" / "update.exe",
                    "#!/bin/sh\ntouch ran.txt\n" + std::string(std::size_t{512} << 10, '#') + "\n");
    service.Answer("f=2", "9.9\n127.0.0.1,lindrel,secret," + std::to_string(ftp.port()) +
                              "\npub,newfile.dat\npub,update.exe\n");
    AppState state(dir.str());
    state.StatsBaseURL = service.BaseUrl();
    state.UpdatePublicKey = key.publicKey();

    std::thread dropper([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const auto arrived = [&dir] {
            std::error_code error;
            const auto size = std::filesystem::file_size(dir / "update.exe.part", error);
            return error ? 0 : size;
        };
        while (arrived() < std::uintmax_t{64} << 10 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ftp.Stop();
    });
    const bool started = CheckForUpdate(state, [] {});
    dropper.join();

    // Nothing started, and nothing can start later: the file a start would run is gone.
    EXPECT_FALSE(started);
    EXPECT_FALSE(std::filesystem::exists(dir / "ran.txt"));
    EXPECT_EQ(test::ReadFile(dir / "newfile.dat"), "new data");
    EXPECT_FALSE(std::filesystem::exists(dir / "update.exe"));
    EXPECT_FALSE(std::filesystem::exists(dir / "update.exe.part"));
    EXPECT_EQ(LogMessages(dir),
              (std::vector<std::string>{"Update Found: 9.9", "DownloadFile: pub|newfile.dat",
                                        "DownloadFile: pub|update.exe", "Download Failed"}));
}

TEST_F(UpdateTest, NothingToDo) {
    for (const std::string& reply :
         {std::string(), std::string("3.25.2003\n") + Account() + "\npub,update.exe\n",
          "9.9\n" + Account() + "\npub,update.exe"}) {
        service.Answer("f=2", reply);
        EXPECT_FALSE(Check());
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "lindrellog.log"));
}

TEST_F(UpdateTest, BadLinesStopTheCheck) {
    service.Answer("f=2", "9.9\nonly,two\npub,update.exe\n\n");
    EXPECT_FALSE(Check());
    EXPECT_EQ(LogMessages(dir).back(), "Not Enough Data in Web Page to Update");

    service.Answer("f=2", "9.9\n" + Account() + "\npub,update.exe,extra\npub,newfile.dat\n");
    EXPECT_FALSE(Check());
    EXPECT_EQ(LogMessages(dir).back(), "Bad Data - Not Enough File Info");
    EXPECT_FALSE(std::filesystem::exists(dir / "update.exe"));

    service.Answer("f=2", "9.9\n127.0.0.1,u,p,abc\npub,update.exe\n\n");
    EXPECT_FALSE(Check());
    EXPECT_EQ(LogMessages(dir).back().rfind("CheckForUpdate_Error [", 0), 0u);

    service.Answer("f=2", "9.9\n127.0.0.1,u,p,40000\npub,update.exe\n\n");
    EXPECT_FALSE(Check());
    EXPECT_EQ(LogMessages(dir).back().rfind("CheckForUpdate_Error [", 0), 0u);
}

TEST_F(UpdateTest, NamesThatLeaveTheFolderAreRefused) {
    for (const char* name : {"../evil", "sub/update.exe", "..", "...", "a\\b"}) {
        service.Answer("f=2", "9.9\n" + Account() + "\npub," + name + "\npub,newfile.dat\n");
        EXPECT_FALSE(Check()) << name;
        EXPECT_EQ(LogMessages(dir).back(), std::string("Bad Data - Unsafe File Name: ") + name);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "newfile.dat"));
}

TEST_F(UpdateTest, CarriageReturnsMakeEveryStartAnUpdate) {
    service.Answer("f=2", "3.25.2003\r\n127.0.0.1,u,p\r\npub,x\r\n\r\n");
    EXPECT_FALSE(Check());
    EXPECT_NE(test::ReadFile(dir / "lindrellog.log").find("] Update Found: 3.25.2003\r\r\n"),
              std::string::npos);
}

} // namespace
} // namespace lindrel
