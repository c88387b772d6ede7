#pragma once

#include "service/Players.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/SkinnedDialog.h"

#include <QTimer>
#include <vector>

class QComboBox;
class QLineEdit;
class QScrollBar;

namespace lindrel {

struct AppState;
class DialogOwner;

// "Player List": the players of one watched server, the wanted ones highlighted.
class frmPlayers : public SkinnedDialog {
public:
    frmPlayers(AppState& state, DialogOwner& owner, const ScreenMetrics& screen);

    // Shows the slot's players; the caller has disabled the status window and set
    // DialogOpen, and shows this window afterwards.
    void LoadMe(int MyIndex, int MyTop, int MyLeft);
    void RefreshList();
    void ClearRows();
    void CloseMe();
    void cboServers_Click();
    void lblRefresh_Click() { cboServers_Click(); }

    // Lays out what a reply said: the list's height, "No Players Found" or the rows, and
    // the scroll bar when more rows than fit.
    void ShowList(const PlayerList& list);

    int slot() const { return slot_; }
    QComboBox& cboServers() const { return *cboServers_; }
    QScrollBar& vbar() const { return *vbar_; }
    QWidget& fraPlayers() const { return *fraPlayers_; }
    QWidget& fraList() const { return *fraList_; }
    QLineEdit& txtData(int index) const;
    int RowBoxCount() const { return static_cast<int>(rows_.size()); }

    static constexpr int kWidthTwips = layout::players::kWidth;
    static constexpr int kHeightTwips = layout::players::kHeight;

private:
    QLineEdit* RowBox(TwipsRect place, const std::string& text, bool highlighted);

    AppState& state_;
    DialogOwner& owner_;
    int slot_ = 0;
    QComboBox* cboServers_;
    QWidget* fraList_;
    QWidget* fraPlayers_;
    QLineEdit* template_;
    std::vector<QLineEdit*> rows_;
    QScrollBar* vbar_;
    int scrollStep_ = 0; // the scroll bar's tag: twips a step, 0 until configured
    QTimer timRefresh_;
};

} // namespace lindrel
