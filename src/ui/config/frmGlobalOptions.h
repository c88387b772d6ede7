#pragma once

#include "ui/widgets/Layouts.h"
#include "ui/widgets/SkinnedDialog.h"

#include <array>
#include <functional>

class QLineEdit;
class QWindow;

namespace lindrel {

struct AppState;
class DialogOwner;

// "Global Options": the user name and password, and three players to look for.
class frmGlobalOptions : public SkinnedDialog {
public:
    frmGlobalOptions(AppState& state, DialogOwner& owner, const ScreenMetrics& screen);

    // Places the window in the bottom-right corner, shows it and fills the boxes.
    void LoadMe();
    void ShowData();
    void StoreData();
    void lblOk_Click();
    void lblClose_Click();

    // Replaceable by tests: how a drag of the body starts.
    std::function<bool(QWindow&)> startSystemMove;

    QLineEdit& txtData(int index) const { return *txtData_.at(static_cast<std::size_t>(index)); }

    static constexpr int kWidthTwips = layout::global::kWidth;
    static constexpr int kHeightTwips = layout::global::kHeight;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    AppState& state_;
    DialogOwner& owner_;
    std::array<QLineEdit*, 5> txtData_{};
};

} // namespace lindrel
