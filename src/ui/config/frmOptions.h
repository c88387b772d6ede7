#pragma once

#include "ui/config/FileDialog.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/SkinnedDialog.h"

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The three dialogs (server options, global options, player list). Errors: storing a
// dialog's values logs what it throws as "SaveData_Error [...]"; the service's answers are
// values, and one that cannot be used changes nothing.
namespace lindrel {

struct AppState;
class DialogOwner;

// "Game Options": one slot's server, passwords, launch settings and game type.
class frmOptions : public SkinnedDialog {
public:
    frmOptions(AppState& state, DialogOwner& owner, const ScreenMetrics& screen);

    void LoadMe(int MyIndex, int MyTop, int MyLeft);
    void ShowData();
    void SaveData();
    void lblOk_Click();
    void lblClose_Click();
    void cmdDialog_Click();

    // Replaceable by tests: the file chooser behind "Browse...".
    std::function<FileDialogResult()> chooseFile;

    int slot() const { return slot_; }
    QLineEdit& txtData(int index) const { return *txtData_.at(static_cast<std::size_t>(index)); }
    QComboBox& cboGameType() const { return *cboGameType_; }
    QCheckBox& chkServerDown() const { return *chkServerDown_; }
    const FileDialogResult& LastFileDialogResult() const { return lastResult_; }

    static constexpr int kWidthTwips = layout::options::kWidth;
    static constexpr int kHeightTwips = layout::options::kHeight;

private:
    int SelectedGameType() const;

    AppState& state_;
    DialogOwner& owner_;
    int slot_ = 0;
    std::array<QLineEdit*, 8> txtData_{};
    QComboBox* cboGameType_;
    QCheckBox* chkServerDown_;
    QPushButton* cmdDialog_;
    FileDialogResult lastResult_;
};

} // namespace lindrel
