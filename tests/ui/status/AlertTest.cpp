#include "ui/status/frmAlert.h"
#include "ui/widgets/Forms.h"

#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

ScreenMetrics KnownScreen() {
    ScreenMetrics screen;
    screen.fullWidth = 1024;
    screen.fullHeight = 738;
    return screen;
}

TEST(Alert, PlacedBottomRightWithSeveralLines) {
    const ScreenMetrics screen = KnownScreen();
    auto* alert = new frmAlert(screen);
    alert->LoadMe("first\r\nsecond\r\n", "Player Found");
    EXPECT_EQ(alert->Title(), "Player Found");
    EXPECT_EQ(alert->Message(), "first\nsecond\n");
    EXPECT_EQ(alert->size(), QSize(370, 156));
    EXPECT_EQ(alert->pos(), QPoint((1024 * 15 - 5550 - 475) / 15, (738 * 15 - 2340 - 475) / 15));
    EXPECT_FALSE(alert->isVisible());
    delete alert;
}

TEST(Alert, ASecondAlertReplacesTheFirstAndRestartsTheTime) {
    const ScreenMetrics screen = KnownScreen();
    QPointer<frmAlert> alert = new frmAlert(screen);
    alert->LoadMe("one", "Server Down");
    ShowWindowNoActivate(*alert);
    QTest::qWait(300);
    alert->LoadMe("two", "Player Found");
    EXPECT_EQ(alert->Message(), "two");
    EXPECT_EQ(alert->Title(), "Player Found");
    EXPECT_GT(alert->timKillMe().remainingTime(), 4800);
    EXPECT_TRUE(alert->isVisible());
    delete alert.data();
}

TEST(Alert, ClosesItselfAfterFiveSeconds) {
    const ScreenMetrics screen = KnownScreen();
    QPointer<frmAlert> alert = new frmAlert(screen);
    alert->timKillMe().setInterval(50); // the same path as the five seconds, sooner
    alert->LoadMe("gone soon", "Server Down");
    ShowWindowNoActivate(*alert);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alert.isNull(); }, 2000));
}

TEST(Alert, OkBeforeTheTimerClosesItForGood) {
    const ScreenMetrics screen = KnownScreen();
    QPointer<frmAlert> alert = new frmAlert(screen);
    alert->LoadMe("message", "title");
    ShowWindowNoActivate(*alert);
    auto* ok = alert->findChild<QWidget*>("lblOK");
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alert.isNull(); }, 1000));
}

} // namespace
} // namespace lindrel
