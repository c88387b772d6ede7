#include "ui/config/frmGlobalOptions.h"

#include "core/AppState.h"
#include "core/Settings.h"
#include "ui/widgets/Ansi.h"
#include "ui/widgets/DialogOwner.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/Widgets.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

namespace lindrel {

frmGlobalOptions::frmGlobalOptions(AppState& state, DialogOwner& owner, const ScreenMetrics& screen)
    : SkinnedDialog(screen, "Global Options", kWidthTwips, kHeightTwips, Qt::white), state_(state),
      owner_(owner) {
    setObjectName("frmGlobalOptions");
    setWindowTitle("Global Options");
    namespace place = layout::global;
    using layout::dialog::kBoxHeight;
    using layout::dialog::kCaptionHeight;
    using layout::dialog::kCaptionWidth;
    const char* captions[] = {
        "User Name:", "Password:", "Find Player 1:", "Find Player 2:", "Find Player 3:"};
    for (std::size_t i = 0; i < std::size(captions); ++i) {
        const bool first = i == 0;
        Caption(captions[i], {first ? place::kFirstCaptionLeft : place::kCaptionLeft,
                              place::kRowTops[i], kCaptionWidth, kCaptionHeight});
        txtData_[i] = TextBox({first ? place::kFirstBoxLeft : place::kBoxLeft, place::kRowTops[i],
                               place::kBoxWidth, kBoxHeight});
    }
    for (std::size_t i = 0; i + 1 < txtData_.size(); ++i) {
        setTabOrder(txtData_[i], txtData_[i + 1]);
    }
    Button("OK", place::kOk, [this] { lblOk_Click(); })->setObjectName("lblOk");
    Button("Close", place::kClose, [this] { lblClose_Click(); })->setObjectName("lblClose");
    startSystemMove = [](QWindow& window) { return window.startSystemMove(); };
}

void frmGlobalOptions::LoadMe() {
    if (isVisible()) {
        hide();
    }
    show();
    const ScreenMetrics& m = screen();
    const int left = RoundHalfEven(m.fullWidth * m.twipsPerPixelX - kWidthTwips);
    const int top = RoundHalfEven(m.fullHeight * m.twipsPerPixelY - kHeightTwips) -
                    layout::global::kAboveBottom;
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
    owner_.ReEnable();
    state_.DialogOpen = false;
    close();
}

void frmGlobalOptions::lblClose_Click() {
    close();
    owner_.ReEnable();
}

void frmGlobalOptions::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) {
        startSystemMove(*windowHandle());
    }
}

} // namespace lindrel
