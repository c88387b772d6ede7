#pragma once

#include "ui/widgets/Forms.h"

// Each window's layout in twips, one table per window; the windows read their places
// from here instead of holding numbers of their own.
namespace lindrel::layout {

namespace status {
inline constexpr int kWidth = 4515;
inline constexpr int kHeight = 2355;
// Per row: the four texts (name, map, players, ping), the double-click area of the game
// and the edit mark.
inline constexpr int kInfoTops[] = {390, 735, 1035, 1350, 1680};
inline constexpr int kInfoLefts[] = {480, 2040, 3120, 3720};
inline constexpr int kInfoWidths[] = {1380, 825, 420, 300};
inline constexpr int kInfoHeight = 210;
inline constexpr int kGameTops[] = {420, 750, 1050, 1380, 1710};
inline constexpr TwipsRect kGame{480, 0, 3495, 180};
inline constexpr int kEditTops[] = {390, 705, 1020, 1350, 1650};
inline constexpr TwipsRect kEdit{4170, 0, 120, 210};
inline constexpr TwipsRect kExit{4080, 0, 240, 255};
} // namespace status

namespace alert {
inline constexpr int kWidth = 5550;
inline constexpr int kHeight = 2340;
inline constexpr TwipsRect kTitle{120, 30, 5175, 255};
inline constexpr TwipsRect kControls{120, 360, 5175, 1575};
inline constexpr TwipsRect kMessage{120, 120, 4935, 1335}; // inside kControls
inline constexpr TwipsRect kOk{5040, 1950, 405, 255};
inline constexpr TwipsRect kOutline{0, 0, 5535, 2295};
inline constexpr int kRuleTop = 240;
inline constexpr int kRuleWidth = 5520;
} // namespace alert

// What the three dialogs share: where they open, and their two buttons' row.
namespace dialog {
inline constexpr int kRightOfCaller = 380;
inline constexpr int kCaptionWidth = 1215;
inline constexpr int kCaptionHeight = 255;
inline constexpr int kBoxHeight = 210;
} // namespace dialog

namespace options {
inline constexpr int kWidth = 3735;
inline constexpr int kHeight = 3960;
inline constexpr int kCaptionTops[] = {480, 1175, 1410, 1680, 1980, 2340, 2670};
inline constexpr int kCaptionLeft = 15;
inline constexpr TwipsRect kGameTypeCaption{0, 840, 1215, 255};
inline constexpr TwipsRect kExePathCaption{0, 2970, 1215, 255};
inline constexpr TwipsRect kServerName{1440, 480, 1935, 210};
inline constexpr TwipsRect kGameType{1440, 765, 1935, 300};
inline constexpr TwipsRect kAddress{1440, 1175, 1335, 210};
inline constexpr TwipsRect kPort{2880, 1175, 495, 210};
inline constexpr TwipsRect kDownNotify{1440, 1440, 135, 195};
inline constexpr int kLowerBoxTops[] = {1680, 2010, 2340, 2670}; // passwords, config, commands
inline constexpr int kLowerBoxLeft = 1440;
inline constexpr int kBoxWidth = 1935;
inline constexpr TwipsRect kExePath{1425, 3000, 1935, 210};
inline constexpr TwipsRect kBrowse{2526, 3210, 855, 250};
inline constexpr TwipsRect kOk{1680, 3635, 930, 255};
inline constexpr TwipsRect kClose{2640, 3635, 975, 255};
} // namespace options

namespace global {
inline constexpr int kWidth = 3735;
inline constexpr int kHeight = 3960;
inline constexpr int kRowTops[] = {600, 960, 1320, 1680, 2040};
// The first row sits a little to the right of the others.
inline constexpr int kFirstCaptionLeft = 15;
inline constexpr int kCaptionLeft = 0;
inline constexpr int kFirstBoxLeft = 1440;
inline constexpr int kBoxLeft = 1425;
inline constexpr int kBoxWidth = 1935;
inline constexpr int kAboveBottom = 765;
inline constexpr TwipsRect kOk{1680, 3630, 930, 255};
inline constexpr TwipsRect kClose{2640, 3630, 975, 255};
} // namespace global

namespace players {
inline constexpr int kWidth = 3720;
inline constexpr int kHeight = 3945;
inline constexpr TwipsRect kServerCaption{15, 480, 1215, 255};
inline constexpr TwipsRect kServers{1320, 480, 2295, 300};
inline constexpr TwipsRect kList{240, 900, 3015, 2400};
inline constexpr TwipsRect kRows{0, 0, 3135, 255}; // the frame the rows scroll in
inline constexpr TwipsRect kTemplateRow{0, 0, 3015, 210};
inline constexpr TwipsRect kScrollBar{3360, 900, 255, 2535};
inline constexpr TwipsRect kOk{1680, 3630, 930, 255};
inline constexpr TwipsRect kRefresh{2640, 3630, 975, 255};
inline constexpr int kRowHeight = 235;
inline constexpr int kListHeight = 2350;
inline constexpr int kVisibleRows = 10;
inline constexpr int kRowBoxHeight = 210;
// A row's three boxes: name, then the two numbers.
inline constexpr int kColumnLefts[] = {0, 1955, 2480};
inline constexpr int kColumnWidths[] = {1930, 500, 500};
} // namespace players

} // namespace lindrel::layout
