#pragma once

#include "service/Players.h"
#include "ui/config/Dialog.h"

#include <QTimer>
#include <vector>

class QComboBox;
class QLineEdit;
class QScrollBar;

namespace lindrel {

struct AppState;
class frmStatus;

// "Player List": the players of one watched server, the wanted ones highlighted.
class frmPlayers : public SkinnedDialog, public PlayerListView {
public:
    frmPlayers(AppState& state, frmStatus& status, const ScreenMetrics& screen);

    // Shows the slot's players; the caller has disabled the status window and set
    // DialogOpen, and shows this window afterwards.
    void LoadMe(int MyIndex, int MyTop, int MyLeft);
    void RefreshList();
    void ClearRows();
    void CloseMe();
    void cboServers_Click();
    void lblRefresh_Click() { cboServers_Click(); }

    void SetListHeight(int twips) override;
    void ShowNoPlayers() override;
    void ShowRows(int rowsHeight) override;
    void ConfigureScrollBar(int maximum, int step) override;
    void AddRow(int row, const std::string& name, const std::string& first,
                const std::string& second, bool highlighted) override;

    int slot() const { return slot_; }
    QComboBox& cboServers() const { return *cboServers_; }
    QScrollBar& vbar() const { return *vbar_; }
    QWidget& fraPlayers() const { return *fraPlayers_; }
    QWidget& fraList() const { return *fraList_; }
    QLineEdit& txtData(int index) const;
    int RowBoxCount() const { return static_cast<int>(rows_.size()); }
    QTimer& timRefresh() { return timRefresh_; }

    static constexpr int kWidthTwips = 3720;
    static constexpr int kHeightTwips = 3945;

private:
    QLineEdit* RowBox(int left, int top, int width, const std::string& text, bool highlighted);

    AppState& state_;
    frmStatus& status_;
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
