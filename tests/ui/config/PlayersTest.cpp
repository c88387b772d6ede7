#include "ConfigFixture.h"
#include "ui/config/frmPlayers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

namespace lindrel {
namespace {

const std::string kServerLine = "7|Live+Name|q3dm17|3%2F16|48|10|x|0||0\n";

std::string Reply(int players, int highlightedFrom = 1000) {
    std::string reply = kServerLine + "Players:" + std::to_string(players) + "\n";
    for (int i = 0; i < players; ++i) {
        reply += "Player " + std::to_string(i) + "\n" + std::to_string(i) + "," +
                 std::to_string(40 + i) + ",0,0,0," + (i >= highlightedFrom ? "1" : "0") + "\n";
    }
    return reply;
}

class PlayersTest : public test::ConfigFixture {
protected:
    PlayersTest() { window = new frmPlayers(state, *status, screen); }
    ~PlayersTest() override { delete window.data(); }

    // Opens the window on a slot and lets the deferred refresh run.
    void Open(int slot, const std::string& reply) {
        service.Answer("p2=" + state.ServerData(slot < 0 || slot > 4 ? 0 : slot, StatsID) + "&s=",
                       reply);
        window->LoadMe(slot, 8235, 10845);
        window->show();
        QTest::qWait(50);
    }
    std::vector<std::string> RowTexts() const {
        std::vector<std::string> texts;
        for (int i = 1; i <= window->RowBoxCount(); ++i) {
            texts.push_back(window->txtData(i).text().toStdString());
        }
        return texts;
    }
    bool Highlighted(int box) const {
        return window->txtData(box).palette().color(QPalette::Base) == QColor(255, 255, 0);
    }

    QPointer<frmPlayers> window;
};

TEST_F(PlayersTest, RequestCarriesTheWantedNames) {
    EXPECT_EQ(PlayersQuery(state, 1), "p2=4&s=");
    state.GlobalData[FindPlayer1] = "Big Bad";
    EXPECT_EQ(PlayersQuery(state, 1), "p2=4&s=Big+Bad");
    state.GlobalData[FindPlayer3] = "x,y";
    EXPECT_EQ(PlayersQuery(state, 1), "p2=4&s=Big+Bad,x%2Cy");
    state.GlobalData[FindPlayer2] = "two";
    EXPECT_EQ(PlayersQuery(state, 1), "p2=4&s=Big+Bad,two,x%2Cy");
}

TEST_F(PlayersTest, OpensAboveTheStatusWindowQueryingTwice) {
    Open(2, Reply(2));
    EXPECT_EQ(window->pos(), QPoint((10845 + 380) / 15, (8235 - 3945) / 15));
    ASSERT_EQ(window->cboServers().count(), 5);
    EXPECT_EQ(window->cboServers().itemText(3), "Slot 3");
    EXPECT_EQ(window->cboServers().currentIndex(), 2);
    EXPECT_EQ(service.Queries(), (std::vector<std::string>{"p2=8&s=", "p2=8&s="}));
    EXPECT_EQ(RowTexts(), (std::vector<std::string>{"Player 0", "0", "40", "Player 1", "1", "41"}));
    EXPECT_FALSE(window->txtData(0).isVisible());
    // The reply updates the slot's status and its row in the status window.
    EXPECT_EQ(state.ServerStatus[2].MapName, "q3dm17");
    EXPECT_EQ(state.ServerStatus[2].ReportedName, "Live Name");
    EXPECT_EQ(status->lblInfo(9).text(), "q3dm17");
}

TEST_F(PlayersTest, AnIndexOutsideTheSlotsShowsTheFirst) {
    Open(7, Reply(1));
    EXPECT_EQ(window->cboServers().currentIndex(), 0);
    EXPECT_EQ(window->slot(), 0);
    EXPECT_EQ(service.Queries().back(), "p2=7&s=");
}

TEST_F(PlayersTest, NoPlayersIsOneRowSaying) {
    Open(1, Reply(0));
    EXPECT_TRUE(window->txtData(0).isVisible());
    EXPECT_EQ(window->txtData(0).text(), "No Players Found");
    EXPECT_EQ(window->fraPlayers().height(), 16); // 235 twips
    EXPECT_EQ(window->RowBoxCount(), 0);
}

TEST_F(PlayersTest, MoreThanTenPlayersScroll) {
    Open(1, Reply(10));
    EXPECT_FALSE(window->vbar().isEnabled());
    EXPECT_EQ(window->RowBoxCount(), 30);
    window->vbar().setValue(1); // not configured: does not scroll
    EXPECT_EQ(window->fraPlayers().y(), 0);

    service.Answer("p2=4&s=", Reply(11));
    window->lblRefresh_Click();
    QTest::qWait(50);
    EXPECT_TRUE(window->vbar().isEnabled());
    EXPECT_EQ(window->vbar().maximum(), 1);
    EXPECT_EQ(window->vbar().value(), 0);
    EXPECT_EQ(window->fraList().height(), 157); // 2350 twips
    window->vbar().setValue(1);
    EXPECT_EQ(window->fraPlayers().y(), -16); // one row of 235 twips
    EXPECT_EQ(window->txtData(31).y(), 157);
}

TEST_F(PlayersTest, WantedPlayersAreHighlighted) {
    Open(1, Reply(3, 1));
    EXPECT_FALSE(Highlighted(1));
    EXPECT_TRUE(Highlighted(4));
    EXPECT_TRUE(Highlighted(9));
    EXPECT_EQ(window->txtData(4).palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_TRUE(window->txtData(4).isReadOnly());
}

TEST_F(PlayersTest, ARefreshWithNothingLeavesAnEmptyList) {
    Open(1, Reply(3));
    EXPECT_EQ(window->RowBoxCount(), 9);
    service.Answer("p2=4&s=", "");
    window->lblRefresh_Click();
    QTest::qWait(50);
    EXPECT_EQ(window->RowBoxCount(), 0);
    EXPECT_FALSE(window->txtData(0).isVisible());
    EXPECT_EQ(state.ServerStatus[1].MapName, "q3dm17");
}

TEST_F(PlayersTest, MalformedRepliesStopQuietly) {
    auto rowsFor = [&](const std::string& reply) {
        service.Answer("p2=4&s=", reply);
        window->lblRefresh_Click();
        QTest::qWait(50);
        return RowTexts();
    };
    Open(1, Reply(1));
    state.ServerStatus[1].MapName = "kept";
    EXPECT_TRUE(rowsFor("7|Name|map|2%2F8\nPlayers:1\nA\n1,2,0,0,0,0\n").empty());
    EXPECT_EQ(state.ServerStatus[1].MapName, "kept"); // four fields: no server line
    EXPECT_TRUE(rowsFor(kServerLine + "Play:1\nA\n1,2,0,0,0,0\n").empty());
    EXPECT_TRUE(rowsFor(kServerLine + "Players:-3\nA\n1,2,0,0,0,0\n").empty());
    EXPECT_TRUE(rowsFor("short\nPlayers:1\nA\n1,2,0,0,0,0\n").empty());
    EXPECT_TRUE(rowsFor(kServerLine).empty());
    // Fewer lines than announced: the rows there are, no more.
    EXPECT_EQ(rowsFor(kServerLine + "Players:50\nA\n1,2,0,0,0,0\nB\n"),
              (std::vector<std::string>{"A", "1", "2"}));
    // A statistics line of five fields ends the rows.
    EXPECT_EQ(rowsFor(kServerLine + "Players:2\nA\n1,2,0,0,0\nB\n3,4,0,0,0,0\n").size(), 0u);
    EXPECT_EQ(rowsFor(kServerLine + "Players:2\nA\n1,2,0,0,0,0\nB\n3,4,0,0\n").size(), 3u);
    // A match field that is not a number is no match.
    rowsFor(kServerLine + "Players:1\nA\n1,2,0,0,0,yes\n");
    EXPECT_FALSE(Highlighted(1));
}

TEST_F(PlayersTest, OkClosesAndGivesTheStatusWindowBack) {
    Open(1, Reply(2));
    QTest::mouseClick(window->findChild<QLabel*>("lblOk"), Qt::LeftButton);
    EXPECT_TRUE(status->isEnabled());
    EXPECT_FALSE(state.DialogOpen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 1000));
}

} // namespace
} // namespace lindrel
