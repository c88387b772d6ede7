#include "ui/status/Tray.h"

#include "core/AppState.h"
#include "ui/widgets/Ansi.h"
#include "ui/widgets/Forms.h"

#include <gtest/gtest.h>

namespace lindrel {
namespace {

TEST(TrayDecoding, OnlyReleasesAct) {
    for (const bool dialogOpen : {false, true}) {
        EXPECT_EQ(DecodeTrayCallback(kMouseMove, dialogOpen), TrayAction::None);
        EXPECT_EQ(DecodeTrayCallback(kLeftButtonDown, dialogOpen), TrayAction::None);
        EXPECT_EQ(DecodeTrayCallback(kLeftButtonUp, dialogOpen), TrayAction::ShowStatusWindow);
        EXPECT_EQ(DecodeTrayCallback(kLeftButtonDoubleClick, dialogOpen), TrayAction::None);
        EXPECT_EQ(DecodeTrayCallback(kRightButtonDown, dialogOpen), TrayAction::None);
        EXPECT_EQ(DecodeTrayCallback(518, dialogOpen), TrayAction::None);
        EXPECT_EQ(DecodeTrayCallback(0, dialogOpen), TrayAction::None);
    }
    EXPECT_EQ(DecodeTrayCallback(kRightButtonUp, false), TrayAction::PopUpTrayMenu);
    EXPECT_EQ(DecodeTrayCallback(kRightButtonUp, true), TrayAction::None);
}

TEST(TrayDecoding, QtActivationsStandForReleases) {
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::Trigger), kLeftButtonUp);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::DoubleClick), kLeftButtonDoubleClick);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::Context), kRightButtonUp);
    EXPECT_EQ(TrayMessageFor(QSystemTrayIcon::MiddleClick), 0);
}

TEST(TrayTip, SlotZeroJoinedAndCut) {
    AppState state("/nonexistent");
    EXPECT_EQ(TrayTip(state), " -  -  - ");
    state.ServerStatus[0] = {"q3dm17", "3/16", "48", "Quorvane Other", "0"};
    state.ServerStatus[1].ReportedName = "not this one";
    EXPECT_EQ(TrayTip(state), "Quorvane Other - q3dm17 - 3/16 - 48");
    state.ServerStatus[0].ReportedName = std::string(200, 'n');
    EXPECT_EQ(TrayTip(state).size(), 127u);
    EXPECT_EQ(GetTipText(state, 0).size(), 200u + 21u);
    // 63 two-byte letters and one more: the cut falls before it, not inside it.
    std::string cyrillic;
    for (int i = 0; i < 64; ++i) {
        cyrillic += "\xd0\x96";
    }
    state.ServerStatus[0].ReportedName = cyrillic;
    EXPECT_EQ(TrayTip(state), cyrillic.substr(0, 126));
}

TEST(Placement, InTwipsOnAKnownScreen) {
    ScreenMetrics screen;
    screen.fullWidth = 1024;
    screen.fullHeight = 738;
    const TwipsPoint status = StatusWindowPlace(screen, 4515, 2355);
    EXPECT_EQ(status.top, 738 * 15 - 2355 - 475);
    EXPECT_EQ(status.left, 1024 * 15 - 4515);
    const TwipsPoint alert = AlertPlace(screen, 5550, 2340);
    EXPECT_EQ(alert.top, 738 * 15 - 2340 - 475);
    EXPECT_EQ(alert.left, 1024 * 15 - 5550 - 475);
    // The two share their bottom line.
    EXPECT_EQ(status.top + 2355, alert.top + 2340);

    screen.twipsPerPixelX = screen.twipsPerPixelY = 1440.0 / 120; // 120 dpi: 12 twips a pixel
    EXPECT_EQ(StatusWindowPlace(screen, 4515, 2355).left, 1024 * 12 - 4515);
    EXPECT_EQ(screen.ToPixelsX(4515), 376);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
}

TEST(Ansi, Windows1252BothWays) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    EXPECT_EQ(ToAnsi(FromAnsi(all)), all);
    EXPECT_EQ(FromAnsi("\x80\xe9"), QString::fromUtf8("\u20ac\u00e9"));
    EXPECT_EQ(ToAnsi(QString::fromUtf8("\u0416x")), "?x");
}

TEST(Ansi, GameTextsAreUtf8WhenValidElseWindows1252) {
    EXPECT_EQ(FromGameText("\xd0\xa1\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80 \xe2\x84\x96"
                           "1"),
              QString::fromUtf8("\u0421\u0435\u0440\u0432\u0435\u0440 \u21161"));
    EXPECT_EQ(FromGameText("\xe6\x97\xa5\xe6\x9c\xac"), QString::fromUtf8("\u65e5\u672c"));
    EXPECT_EQ(FromGameText("Caf\xe9 \x80"), QString::fromUtf8("Caf\u00e9 \u20ac"));
    EXPECT_EQ(FromGameText("plain"), "plain");
}

} // namespace
} // namespace lindrel
