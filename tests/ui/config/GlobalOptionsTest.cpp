#include "ConfigFixture.h"
#include "ui/config/frmGlobalOptions.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>

namespace lindrel {
namespace {

class GlobalOptionsTest : public test::ConfigFixture {
protected:
    GlobalOptionsTest() {
        state.DialogOpen = false; // the tray menu path does not set it
        window = new frmGlobalOptions(state, *status, screen);
        window->startSystemMove = [this](QWindow&) {
            ++drags;
            return true;
        };
        state.GlobalData[UserName] = "Me";
        state.GlobalData[FindPlayer2] = "Grism";
        state.FindMark = {1, 2, 3, 4, 5};
        window->LoadMe();
    }
    ~GlobalOptionsTest() override { delete window.data(); }

    QPointer<frmGlobalOptions> window;
    int drags = 0;
};

TEST_F(GlobalOptionsTest, ShownInTheCornerWithTheValues) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(11625 / 15, 6345 / 15));
    EXPECT_EQ(window->size(), QSize(249, 264));
    EXPECT_EQ(window->txtData(0).text(), "Me");
    EXPECT_EQ(window->txtData(1).text(), "Yourpass");
    EXPECT_EQ(window->txtData(3).text(), "Grism");
    EXPECT_EQ(window->txtData(4).text(), "");
}

TEST_F(GlobalOptionsTest, OkStoresResetsTheMarkersAndSaves) {
    window->txtData(2).setText(" Big Bad ");
    window->txtData(3).setText("");
    window->lblOk_Click();
    EXPECT_EQ(state.GlobalData[FindPlayer1], " Big Bad ");
    EXPECT_EQ(state.GlobalData[FindPlayer2], "");
    EXPECT_EQ(state.FindMark, (std::array<std::int32_t, kSlotCount>{}));
    EXPECT_EQ(test::ReadFile(dir / "global.dat"), "Me\r\nYourpass\r\n Big Bad \r\n\r\n\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "lindrel.dat"));
    EXPECT_TRUE(status->isEnabled());
    EXPECT_FALSE(state.DialogOpen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 1000));
}

TEST_F(GlobalOptionsTest, OkWithoutAChangeStillResetsAndSaves) {
    window->lblOk_Click();
    EXPECT_EQ(state.FindMark, (std::array<std::int32_t, kSlotCount>{}));
    EXPECT_EQ(test::ReadFile(dir / "global.dat"), "Me\r\nYourpass\r\n\r\nGrism\r\n\r\n");
}

TEST_F(GlobalOptionsTest, CloseChangesNothing) {
    window->txtData(0).setText("Someone else");
    state.DialogOpen = true;
    window->lblClose_Click();
    EXPECT_EQ(state.GlobalData[UserName], "Me");
    EXPECT_EQ(state.FindMark, (std::array<std::int32_t, kSlotCount>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(std::filesystem::exists(dir / "global.dat"));
    EXPECT_TRUE(status->isEnabled());
    EXPECT_TRUE(state.DialogOpen); // not touched by Close
}

TEST_F(GlobalOptionsTest, DraggedByTheBodyWithTheLeftButtonOnly) {
    QTest::mousePress(window.data(), Qt::RightButton, {}, QPoint(20, 200));
    EXPECT_EQ(drags, 0);
    QTest::mousePress(window.data(), Qt::LeftButton, {}, QPoint(20, 200));
    EXPECT_EQ(drags, 1);
}

} // namespace
} // namespace lindrel
