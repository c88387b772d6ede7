#include "ui/config/frmGlobalOptions.h"

#include "core/AppState.h"
#include "core/Settings.h"
#include "ui/status/Ansi.h"
#include "ui/status/Widgets.h"
#include "ui/status/frmStatus.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

namespace lindrel {

frmGlobalOptions::frmGlobalOptions(AppState& state, frmStatus& status, const ScreenMetrics& screen)
    : SkinnedDialog(screen, ":/lindrel/global.png", kWidthTwips, kHeightTwips, Qt::white),
      state_(state), status_(status) {
    setObjectName("frmGlobalOptions");
    setWindowTitle("Global Options");
    const char* captions[] = {
        "User Name:", "Password:", "Find Player 1:", "Find Player 2:", "Find Player 3:"};
    const int tops[] = {600, 960, 1320, 1680, 2040};
    for (int i = 0; i < 5; ++i) {
        Caption(captions[i], i == 0 ? 15 : 0, tops[i], 1215, 255);
        txtData_[static_cast<std::size_t>(i)] = TextBox(i == 0 ? 1440 : 1425, tops[i], 1935, 210);
    }
    for (std::size_t i = 0; i + 1 < txtData_.size(); ++i) {
        setTabOrder(txtData_[i], txtData_[i + 1]);
    }
    Button("OK", 1680, 3630, 930, 255, [this] { lblOk_Click(); })->setObjectName("lblOk");
    Button("Close", 2640, 3630, 975, 255, [this] { lblClose_Click(); })->setObjectName("lblClose");
    startSystemMove = [](QWindow& window) { return window.startSystemMove(); };
}

void frmGlobalOptions::LoadMe() {
    if (isVisible()) {
        hide();
    }
    show();
    const ScreenMetrics& m = screen();
    const int left = RoundHalfEven(m.fullWidth * m.twipsPerPixelX - kWidthTwips);
    const int top = RoundHalfEven(m.fullHeight * m.twipsPerPixelY - kHeightTwips) - 765;
    MoveTwips(*this, m, {top, left});
    ShowData();
}

void frmGlobalOptions::ShowData() {
    for (int item = 0; item < kGlobalItemCount; ++item) {
        txtData(item).setText(FromAnsi(state_.GlobalData[item]));
    }
}

void frmGlobalOptions::StoreData() {
    for (int item = 0; item < kGlobalItemCount; ++item) {
        state_.GlobalData[item] = ToAnsi(txtData(item).text());
    }
}

void frmGlobalOptions::lblOk_Click() {
    state_.FindMark.fill(0);
    StoreData();
    SaveSettings(state_);
    status_.setEnabled(true);
    state_.DialogOpen = false;
    close();
}

void frmGlobalOptions::lblClose_Click() {
    close();
    status_.setEnabled(true);
}

void frmGlobalOptions::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        startSystemMove(*windowHandle());
    }
}

} // namespace lindrel
