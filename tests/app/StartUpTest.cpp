#include "app/Application.h"
#include "core/AppState.h"
#include "service/AlertSink.h"
#include "support/FtpServer.h"
#include "support/LogLines.h"
#include "support/Minisign.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedService.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace lindrel {
namespace {

class CountingSink : public AlertSink {
public:
    void SendPopUpMsg(const std::string& MyTip, const std::string&, int) override {
        tips.push_back(MyTip);
    }
    std::vector<std::string> tips;
};

using test::LogMessages;

TEST(StartUp, WithTheServiceUnreachable) {
    test::TempDir dir;
    AppState state(dir.str());
    state.StatsBaseURL = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/?";
    state.FindMark = {1, 2, 3, 4, 5};
    state.DialogOpen = true;
    CountingSink sink;
    RunStartUpSequence(state, sink);

    EXPECT_EQ(state.ServerData(0, ServerName), "Quorvane Other");
    EXPECT_EQ(state.ServerData, state.DefaultServers);
    EXPECT_TRUE(state.GameTypes.empty());
    EXPECT_TRUE(sink.tips.empty());
    EXPECT_EQ(state.FindMark, (std::array<std::int32_t, kSlotCount>{}));
    EXPECT_FALSE(state.DialogOpen);
    EXPECT_EQ(LogMessages(dir),
              (std::vector<std::string>{"APPLICATION STARTED", "PullStats_BadData"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "lindrel.dat"));
    EXPECT_TRUE(std::filesystem::exists(dir / "global.dat"));

    const std::string settings = test::ReadFile(dir / "lindrel.dat");
    FinishShutDown(state);
    EXPECT_EQ(LogMessages(dir).back(), "APPLICATION ENDED");
    EXPECT_EQ(test::ReadFile(dir / "lindrel.dat"), settings);
}

TEST(StartUp, AsksTheServiceInOrderAndFillsTheTables) {
    test::TempDir dir;
    test::ScriptedService service;
    std::string directory;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        directory += std::to_string(slot + 30) + "|Server+" + std::to_string(slot) +
                     "|x|x|x|x|10|x|127.0.0." + std::to_string(slot + 1) + "|27960";
        directory += slot < 4 ? "\n" : "";
    }
    service.Answer("f=3", directory);
    service.Answer("f=1", "10,Quake III Arena,baseq3,+set rconpassword,+set password\n"
                          "11,OpenArena,baseoa,+set rconpassword,+set password\n");
    service.QueueStatus("32|Reported|DOWN|0%2F8|999|10|x|0||0\n");
    AppState state(dir.str());
    state.StatsBaseURL = service.BaseUrl();
    CountingSink sink;
    RunStartUpSequence(state, sink);

    EXPECT_EQ(service.Queries(),
              (std::vector<std::string>{"f=2", "f=3", "f=1", "d=30,31,32,33,34&t=0,0,0,0,0&s="}));
    EXPECT_EQ(state.ServerData(2, ServerName), "Server 2");
    EXPECT_EQ(state.GameTypes.size(), 2u);
    EXPECT_EQ(state.ServerStatus[2].MapName, "DOWN");
    EXPECT_EQ(sink.tips, std::vector<std::string>{"Server Down"});
    EXPECT_EQ(LogMessages(dir), std::vector<std::string>{"APPLICATION STARTED"});
}

// An update on offer, signed for version 9.9 with a key of its own.
struct OfferedUpdate {
    OfferedUpdate() {
        std::filesystem::create_directory(ftp.root() / "pub");
        test::WriteFile(ftp.root() / "pub" / "update.exe", "#!/bin/sh\ntouch updated\n");
        test::WriteFile(ftp.root() / "pub" / "newfile.dat", "data");
        for (const char* name : {"update.exe", "newfile.dat"}) {
            key.Sign(ftp.root() / "pub" / name, std::string("lindrel-update 9.9 ") + name);
        }
        service.Answer("f=2", "9.9\n127.0.0.1," + ftp.user() + "," + ftp.password() + "," +
                                  std::to_string(ftp.port()) +
                                  "\npub,update.exe\npub,newfile.dat\n");
    }
    test::FtpServer ftp;
    test::MinisignKey key;
    test::ScriptedService service;
};

TEST(StartUp, AnInstalledUpdateEndsTheStartAtOnce) {
    test::TempDir dir;
    OfferedUpdate offer;
    test::WriteFile(dir / "newfile.dat", "left from the last update");
    AppState state(dir.str());
    state.StatsBaseURL = offer.service.BaseUrl();
    state.UpdatePublicKey = offer.key.publicKey();
    CountingSink sink;
    EXPECT_FALSE(RunStartUpSequence(state, sink));
    EXPECT_EQ(offer.service.Queries(), std::vector<std::string>{"f=2"});
    EXPECT_EQ(test::ReadFile(dir / "newfile.dat"), "data");
    const auto log = LogMessages(dir);
    EXPECT_EQ(log.front(), "APPLICATION STARTED");
    EXPECT_EQ(std::count(log.begin(), log.end(), "APPLICATION ENDED"), 0);
}

// An update signed with another key than the build's is refused, and the start goes on
// to the directory and the status as when no update is on offer.
TEST(StartUp, ARefusedUpdateLetsTheStartGoOn) {
    test::TempDir dir;
    OfferedUpdate offer;
    const test::MinisignKey buildKey;
    AppState state(dir.str());
    state.StatsBaseURL = offer.service.BaseUrl();
    state.UpdatePublicKey = buildKey.publicKey();
    CountingSink sink;
    EXPECT_TRUE(RunStartUpSequence(state, sink));
    EXPECT_EQ(offer.service.Queries().size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(dir / "update.exe"));
    EXPECT_EQ(LogMessages(dir)[4], "Update Refused: update.exe: signed by another key");
}

// X11 is asked for when there is an X display and the user chose no platform.
TEST(WindowSystem, X11WhenADisplayIsThereAndNoPlatformWasChosen) {
    const auto platformAfter = [](const std::optional<std::string>& display,
                                  const std::optional<std::string>& chosen) {
        test::ScopedEnv x("DISPLAY", display);
        test::ScopedEnv platform("QT_QPA_PLATFORM", chosen);
        PreferPlaceableWindows();
        return qEnvironmentVariable("QT_QPA_PLATFORM").toStdString();
    };
    EXPECT_EQ(platformAfter(":0", std::nullopt), "xcb");
    EXPECT_EQ(platformAfter(":0", "wayland"), "wayland");
    EXPECT_EQ(platformAfter(std::nullopt, std::nullopt), "");
    EXPECT_EQ(platformAfter("", std::nullopt), "");
}

} // namespace
} // namespace lindrel
