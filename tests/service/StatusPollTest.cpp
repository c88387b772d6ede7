#include "service/StatusPoll.h"

#include "core/AppState.h"
#include "service/AlertSink.h"
#include "support/ScriptedService.h"
#include "support/TempDir.h"
#include "support/WatchedSlots.h"

#include <gtest/gtest.h>

namespace lindrel {
namespace {

struct Alert {
    std::string tip;
    std::string message;
    int icon;
    bool operator==(const Alert&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Alert& alert) {
    return out << alert.tip << " / " << alert.message << " / " << alert.icon;
}

class RecordingSink : public AlertSink {
public:
    void SendPopUpMsg(const std::string& MyTip, const std::string& MyMessage, int MyIcon) override {
        alerts.push_back({MyTip, MyMessage, MyIcon});
    }
    std::vector<Alert> alerts;
};

// A status line: id|name|map|players|ping|5|6|found|names|marker
std::string Line(const std::string& id, const std::string& name, const std::string& map,
                 const std::string& found = "0", const std::string& names = "",
                 const std::string& marker = "0") {
    return id + "|" + name + "|" + map + "|3%2F16|48|10|127.0.0.1:27960|" + found + "|" + names +
           "|" + marker;
}

class StatusPollTest : public ::testing::Test {
protected:
    StatusPollTest() {
        state.StatsBaseURL = service.BaseUrl();
        test::WatchBuiltInIds(state, true);
    }

    std::vector<Alert> Poll(const std::string& reply) {
        service.QueueStatus(reply);
        sink.alerts.clear();
        PullStats(state, sink);
        return sink.alerts;
    }

    test::TempDir dir;
    test::ScriptedService service;
    AppState state{dir.str()};
    RecordingSink sink;
};

TEST_F(StatusPollTest, RequestCarriesIdsMarkersAndWantedPlayers) {
    EXPECT_EQ(BuildStatusQuery(state), "d=7,4,8,6,9&t=0,0,0,0,0&s=");
    state.GlobalData[FindPlayer2] = "Big Bad";
    EXPECT_EQ(BuildStatusQuery(state), "d=7,4,8,6,9&t=0,0,0,0,0&s=Big+Bad");
    state.GlobalData[FindPlayer1] = "a,b";
    state.GlobalData[FindPlayer3] = "^1x";
    state.FindMark = {5, -1, 0, 2147483647, 3};
    state.ServerData(2, StatsID) = "";
    EXPECT_EQ(BuildStatusQuery(state), "d=7,4,,6,9&t=5,-1,0,2147483647,3&s=a%2Cb,Big+Bad,%5E1x");

    Poll("");
    EXPECT_EQ(service.Queries().back(), "d=7,4,,6,9&t=5,-1,0,2147483647,3&s=a%2Cb,Big+Bad,%5E1x");
}

TEST_F(StatusPollTest, UpdatesTheMatchedSlotsOnly) {
    state.ServerStatus[4].MapName = "kept";
    Poll(" " + Line("4", "Quorvane+TS", "q3dm17") + "\n" + Line("99", "Other", "x") + "\n");
    const auto& status = state.ServerStatus[1];
    EXPECT_EQ(status.ReportedName, "Quorvane TS");
    EXPECT_EQ(status.MapName, "q3dm17");
    EXPECT_EQ(status.Players, "3/16");
    EXPECT_EQ(status.Ping, "48");
    EXPECT_EQ(state.ServerStatus[4].MapName, "kept");
    EXPECT_EQ(state.ServerStatus[0].MapName, "");
}

TEST_F(StatusPollTest, DownOnceNoRepeatThenOnlineOnce) {
    state.ServerData(1, ServerName) = "Quorvane TS";
    EXPECT_EQ(Poll(Line("4", "x", "DOWN")),
              (std::vector<Alert>{{"Server Down", "Quorvane TS is Down\n", 3}}));
    EXPECT_EQ(state.ServerStatus[1].DownAlerted, "1");
    EXPECT_TRUE(Poll(Line("4", "x", "down")).empty());
    EXPECT_EQ(Poll(Line("4", "x", "q3dm6")),
              (std::vector<Alert>{{"Server Down", "Quorvane TS is online\n", 3}}));
    EXPECT_EQ(state.ServerStatus[1].DownAlerted, "0");
    EXPECT_TRUE(Poll(Line("4", "x", "q3dm6")).empty());
}

TEST_F(StatusPollTest, TwoServersDownGiveOneAlertInReplyOrder) {
    EXPECT_EQ(Poll(Line("6", "Sixth", "DOWN") + "\n" + Line("7", "Seventh", "Down")),
              (std::vector<Alert>{{"Server Down", "Sixth is Down\nSeventh is Down\n", 3}}));
}

TEST_F(StatusPollTest, OnlySlotsThatWantDownAlertsTrackTheState) {
    state.ServerData(0, DownNotify) = "0";
    state.ServerData(1, DownNotify) = "abc";
    state.ServerData(2, DownNotify) = "1.0";
    EXPECT_EQ(Poll(Line("7", "A", "DOWN") + "\n" + Line("4", "B", "DOWN") + "\n" +
                   Line("8", "C", "DOWN")),
              (std::vector<Alert>{{"Server Down", "C is Down\n", 3}}));
    EXPECT_EQ(state.ServerStatus[0].DownAlerted, "0");
}

TEST_F(StatusPollTest, PlayerFoundComesBeforeServerDown) {
    const auto alerts = Poll(Line("7", "Alpha", "DOWN") + "\n" +
                             Line("4", "Beta", "q3dm1", "2", "Big+Bad%2C+Grism", "77"));
    EXPECT_EQ(alerts,
              (std::vector<Alert>{
                  {"Player Found", "-- 2 Player(s) found on server Beta\r\nBig Bad, Grism\r\n", 1},
                  {"Server Down", "Alpha is Down\n", 3}}));
    EXPECT_EQ(state.FindMark, (std::array<std::int32_t, kSlotCount>{0, 77, 0, 0, 0}));
}

TEST_F(StatusPollTest, TwoSlotsSharingAnIdAreBothUpdated) {
    state.ServerData(3, StatsID) = "7";
    state.ServerData(3, ServerName) = "Mine";
    const auto alerts = Poll(Line("7", "Shared", "DOWN", "1", "Grism", "5"));
    EXPECT_EQ(alerts, (std::vector<Alert>{{"Player Found",
                                           "-- 1 Player(s) found on server Shared\r\nGrism\r\n"
                                           "-- 1 Player(s) found on server Mine\r\nGrism\r\n",
                                           1},
                                          {"Server Down", "Shared is Down\nMine is Down\n", 3}}));
    EXPECT_EQ(state.FindMark[0], 5);
    EXPECT_EQ(state.FindMark[3], 5);
}

TEST_F(StatusPollTest, ShortLinesAndUnknownIdsAreIgnored) {
    const std::string nineFields = "7|Name|DOWN|1/2|3|5|6|1|Grism";
    EXPECT_TRUE(Poll(nineFields + "\n" + Line("123", "x", "DOWN")).empty());
    EXPECT_EQ(state.ServerStatus[0].MapName, "");
    EXPECT_EQ(state.ServerStatus[0].DownAlerted, "0");
}

TEST_F(StatusPollTest, EmptyReplyLogsAndChangesNothing) {
    Poll(Line("7", "Name", "q3dm1", "0", "", "9"));
    const auto before = state.ServerStatus;
    EXPECT_TRUE(Poll("").empty());
    EXPECT_EQ(state.ServerStatus[0].MapName, before[0].MapName);
    EXPECT_EQ(state.FindMark[0], 9);
    const std::string log = test::ReadFile(dir / "lindrellog.log");
    EXPECT_NE(log.find("] PullStats_BadData\r\n"), std::string::npos);
    EXPECT_EQ(log.find("PullStats_BadData"), log.rfind("PullStats_BadData"));
}

TEST_F(StatusPollTest, BadFieldsKeepThePreviousValues) {
    Poll(Line("7", "Good", "q3dm1", "0", "", "9"));
    const auto alerts =
        Poll("7|Bad%|q3%zz|1%2F2|%|5|6|1.5|Bad%|oops\n" + Line("4", "x", "y", "junk", "", "2.5"));
    EXPECT_EQ(state.ServerStatus[0].ReportedName, "Good");
    EXPECT_EQ(state.ServerStatus[0].MapName, "q3dm1");
    EXPECT_EQ(state.ServerStatus[0].Players, "1/2");
    EXPECT_EQ(state.ServerStatus[0].Ping, "48");
    EXPECT_EQ(state.FindMark[0], 9);
    EXPECT_EQ(state.FindMark[1], 0);
    EXPECT_EQ(alerts,
              (std::vector<Alert>{
                  {"Player Found", "-- 1.5 Player(s) found on server Good\r\nBad%\r\n", 1}}));
}

} // namespace
} // namespace lindrel
