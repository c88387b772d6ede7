#pragma once

#include "ui/config/Dialog.h"

#include <array>
#include <functional>

class QLineEdit;
class QWindow;

namespace lindrel {

struct AppState;
class frmStatus;

// "Global Options": the user name and password, and three players to look for.
class frmGlobalOptions : public SkinnedDialog {
public:
    frmGlobalOptions(AppState& state, frmStatus& status, const ScreenMetrics& screen);

    // Places the window in the bottom-right corner, shows it and fills the boxes.
    void LoadMe();
    void ShowData();
    void StoreData();
    void lblOk_Click();
    void lblClose_Click();

    // Replaceable by tests: how a drag of the body starts.
    std::function<bool(QWindow&)> startSystemMove;

    QLineEdit& txtData(int index) const { return *txtData_.at(static_cast<std::size_t>(index)); }

    static constexpr int kWidthTwips = 3735;
    static constexpr int kHeightTwips = 3960;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    AppState& state_;
    frmStatus& status_;
    std::array<QLineEdit*, 5> txtData_{};
};

} // namespace lindrel
