#include "core/AppState.h"
#include "support/ScriptedService.h"
#include "support/TempDir.h"
#include "support/WatchedSlots.h"
#include "ui/status/StatusActions.h"
#include "ui/status/Tray.h"
#include "ui/status/frmStatus.h"
#include "ui/widgets/Widgets.h"

#include <QLabel>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

class RecordingActions : public StatusActions {
public:
    void RunGame(int slot) override { games.push_back(slot); }
    void OpenServerOptions(int slot, int top, int left) override {
        opened.push_back("options " + std::to_string(slot) + " " + std::to_string(top) + " " +
                         std::to_string(left));
    }
    void OpenPlayers(int slot, int top, int left) override {
        opened.push_back("players " + std::to_string(slot) + " " + std::to_string(top) + " " +
                         std::to_string(left));
    }
    void OpenGlobalOptions() override { opened.emplace_back("global"); }
    void Exit() override { ++exits; }
    std::vector<int> games;
    std::vector<std::string> opened;
    int exits = 0;
};

class StatusWindowTest : public ::testing::Test {
protected:
    StatusWindowTest() {
        screen.fullWidth = 1024;
        screen.fullHeight = 738;
        state.StatsBaseURL = service.BaseUrl();
        test::WatchBuiltInIds(state, true);
        window = std::make_unique<frmStatus>(state, actions, screen);
        window->startSystemMove = [this](QWindow&) {
            ++drags;
            return true;
        };
        window->popUpMenu = [this](QMenu& menu) { menus.push_back(menu.title()); };
    }

    QString Row(int slot) const {
        QStringList texts;
        for (int column = 0; column < 4; ++column) {
            texts << window->lblInfo(slot * 4 + column).text();
        }
        return texts.join("|");
    }

    test::TempDir dir;
    test::ScriptedService service;
    ScreenMetrics screen;
    AppState state{dir.str()};
    RecordingActions actions;
    std::unique_ptr<frmStatus> window;
    int drags = 0;
    std::vector<QString> menus;
};

TEST_F(StatusWindowTest, RowsShowTheStatusUnderTheCaption) {
    EXPECT_EQ(Row(0), "Server Name|Map Name|2/20|125");
    state.ServerStatus[0] = {"q3dm17", "3/16", "48", "Reported Zero", "0"};
    state.ServerStatus[2] = {"DOWN", "0/20", "0", "Reported Two", "1"};
    state.ServerData(2, ServerName) = "Own Name";
    window->LoadAllServerData();
    EXPECT_EQ(Row(0), "Reported Zero|q3dm17|3/16|48");
    EXPECT_EQ(Row(2), "Own Name|DOWN|0/20|0");
    EXPECT_EQ(Row(4), "|||");
    EXPECT_EQ(window->lblInfo(0).geometry(), QRect(32, 26, 92, 14));
    EXPECT_EQ(window->lblInfo(19).geometry(), QRect(248, 112, 20, 14));
    EXPECT_EQ(window->size(), QSize(301, 157));
}

TEST_F(StatusWindowTest, UnicodeNamesReadAsOnTheServicesPage) {
    state.ServerStatus[0] = {"\xe6\x97\xa5\xe6\x9c\xac", "3/16", "48",
                             "\xd0\xa1\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80 \xe2\x84\x96"
                             "1",
                             "0"};
    state.ServerStatus[1] = {"Caf\xe9", "0/8", "20", "Quorvane \x80", "0"};
    window->LoadAllServerData();
    window->RefreshTrayIcon();
    const QString name = QString::fromUtf8("\u0421\u0435\u0440\u0432\u0435\u0440 \u21161");
    const QString map = QString::fromUtf8("\u65e5\u672c");
    EXPECT_EQ(Row(0), name + "|" + map + "|3/16|48");
    EXPECT_EQ(Row(1), QString::fromUtf8("Quorvane \u20ac|Caf\u00e9|0/8|20"));
    EXPECT_EQ(window->TrayIcon().toolTip(), name + " - " + map + " - 3/16 - 48");
}

TEST_F(StatusWindowTest, LoadShapesFillsAndStartsPolling) {
    window->Load();
    EXPECT_TRUE(window->loaded());
    EXPECT_EQ(window->Timer1().interval(), 15000);
    EXPECT_TRUE(window->Timer1().isActive());
    EXPECT_EQ(window->mask(), window->WindowRegion().hRgn());
    EXPECT_FALSE(window->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(window->mask().contains(QPoint(150, 156))); // below the 155-pixel skin
    EXPECT_EQ(Row(1), "|||");
    EXPECT_EQ(window->TrayIcon().toolTip(), " -  -  - ");
}

TEST_F(StatusWindowTest, WithoutATrayTheWindowShowsAtStartInTheCorner) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // the offscreen platform has none
    window->Load();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint((1024 * 15 - 4515) / 15, 549)); // 8240 twips, rounded
    // The skin outside the rows opens the tray menu instead of the missing icon.
    QTest::mousePress(window.get(), Qt::RightButton, {}, QPoint(150, 140));
    EXPECT_EQ(menus, std::vector<QString>{"Test"});
}

TEST_F(StatusWindowTest, TrayClicksShowOnceAndMenusHonourDialogs) {
    window->Load();
    window->hide();
    window->TrayCallback(kLeftButtonDown);
    EXPECT_FALSE(window->isVisible());
    window->TrayCallback(kLeftButtonUp);
    EXPECT_TRUE(window->isVisible());
    // Shown again while visible: refreshed, not moved.
    window->move(100, 100);
    window->TrayCallback(kLeftButtonUp);
    window->TrayCallback(kLeftButtonDoubleClick);
    EXPECT_EQ(window->pos(), QPoint(100, 100));
    // Hidden by the close spot and shown from the tray: back in the corner.
    QTest::mouseClick(&window->lblExit(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    window->TrayCallback(kLeftButtonUp);
    EXPECT_EQ(window->pos(), QPoint(723, 549));

    state.DialogOpen = true;
    window->TrayCallback(kRightButtonUp);
    EXPECT_TRUE(menus.empty());
    state.DialogOpen = false;
    window->TrayCallback(kRightButtonDown);
    window->TrayCallback(kRightButtonUp);
    EXPECT_EQ(menus, std::vector<QString>{"Test"});
}

TEST_F(StatusWindowTest, DialogOpenBlocksTheDrag) {
    window->Load();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(150, 140));
    EXPECT_EQ(drags, 1);
    state.DialogOpen = true;
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(150, 140));
    EXPECT_EQ(drags, 1);
    // A press on a row is not a drag either.
    state.DialogOpen = false;
    QTest::mousePress(&window->lblGame(2), Qt::LeftButton);
    EXPECT_EQ(drags, 1);
}

TEST_F(StatusWindowTest, RowsLaunchAndOpenTheServerMenu) {
    window->Load();
    window->move(723, 549); // 10845, 8235 twips
    QTest::mouseDClick(&window->lblGame(3), Qt::LeftButton);
    EXPECT_EQ(actions.games, std::vector<int>{3});
    EXPECT_EQ(state.SelectedSlot, 3);
    EXPECT_FALSE(window->isVisible());

    state.DialogOpen = true; // the server menu does not ask
    QTest::mousePress(&window->lblGame(1), Qt::RightButton);
    EXPECT_EQ(state.SelectedSlot, 1);
    EXPECT_EQ(menus, std::vector<QString>{"Server"});

    window->Menu().mnuPlayers->trigger();
    EXPECT_EQ(actions.opened, std::vector<std::string>{"players 1 8235 10845"});
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(state.DialogOpen);

    window->Menu().mnuExit->trigger();
    EXPECT_EQ(actions.exits, 0); // after the menu is done with the click
    QTest::qWait(10);
    EXPECT_EQ(actions.exits, 1);
}

TEST_F(StatusWindowTest, EditSpotsAndOptionsOpenTheirWindows) {
    window->Load();
    window->move(100, 200);
    QTest::mouseClick(&window->lblEdit(2), Qt::LeftButton);
    EXPECT_EQ(actions.opened, std::vector<std::string>{"options 2 3000 1500"});
    EXPECT_TRUE(state.DialogOpen);
    EXPECT_FALSE(window->isEnabled());

    window->setEnabled(true);
    state.DialogOpen = false;
    window->Menu().mnuOptions->trigger();
    EXPECT_EQ(actions.opened.back(), "global");
    EXPECT_FALSE(window->isEnabled());
    EXPECT_FALSE(state.DialogOpen); // the global options do not set it
}

TEST_F(StatusWindowTest, TimerTickPollsAndRefreshes) {
    window->Load();
    service.QueueStatus("7|Zero|q3dm17|3%2F16|48|10|x|0||0\n4|One|DOWN|0%2F8|0|10|x|0||0\n");
    window->Timer1_Timer();
    EXPECT_EQ(Row(0), "Zero|q3dm17|3/16|48");
    EXPECT_EQ(window->TrayIcon().toolTip(), "Zero - q3dm17 - 3/16 - 48");
    ASSERT_NE(window->Alert(), nullptr);
    EXPECT_EQ(window->Alert()->Title(), "Server Down");
    EXPECT_EQ(window->Alert()->Message(), "One is Down\n");
    EXPECT_TRUE(window->Alert()->isVisible());
    EXPECT_TRUE(window->Timer1().isActive());

    // A failed poll logs and polling goes on.
    window->Timer1_Timer();
    EXPECT_NE(test::ReadFile(dir / "lindrellog.log").find("PullStats_BadData"), std::string::npos);
    EXPECT_TRUE(window->Timer1().isActive());
}

// In a full-screen program the poll goes on (rows, tray tip) but its alerts wait; once
// the user leaves, each kind shows with every server's newest news, one after the other.
TEST_F(StatusWindowTest, AlertsWaitForTheUserToLeaveFullScreen) {
    bool fullScreen = true;
    window->userIsInFullScreen = [&fullScreen] { return fullScreen; };
    window->Load();
    service.QueueStatus("7|Zero|DOWN|0%2F16|0|10|x|0||0\n");
    window->Timer1_Timer();
    service.QueueStatus("7|Zero|q3dm17|3%2F16|48|10|x|0||0\n4|One|DOWN|0%2F8|0|10|x|0||0\n");
    window->Timer1_Timer();
    EXPECT_EQ(Row(0), "Zero|q3dm17|3/16|48");
    EXPECT_EQ(window->Alert(), nullptr);
    EXPECT_TRUE(window->HeldAlertsCheck().isActive());

    QTest::qWait(kHeldAlertsCheckMs + 500); // a check while still in full screen
    EXPECT_EQ(window->Alert(), nullptr);
    fullScreen = false;
    QTest::qWait(kHeldAlertsCheckMs + 500);
    ASSERT_NE(window->Alert(), nullptr);
    EXPECT_EQ(window->Alert()->Title(), "Server Down");
    EXPECT_EQ(window->Alert()->Message(), "Zero is online\nOne is Down\n");
    EXPECT_FALSE(window->HeldAlertsCheck().isActive());
}

} // namespace
} // namespace lindrel
