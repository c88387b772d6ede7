#include "ui/config/frmOptions.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "service/Directory.h"
#include "ui/widgets/Ansi.h"
#include "ui/widgets/DialogOwner.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace lindrel {

namespace {

// Text boxes 0 to 6 hold ServerData fields 0 to 6; box 7 holds ExePath.
constexpr int kBoxField[] = {ServerName, ServerIP,     ServerPort, RconPwd,
                             GamePwd,    PlayerConfig, OtherCmds,  ExePath};

} // namespace

frmOptions::frmOptions(AppState& state, DialogOwner& owner, const ScreenMetrics& screen)
    : SkinnedDialog(screen, "Game Options", kWidthTwips, kHeightTwips, style::OptionsBackground()),
      state_(state), owner_(owner) {
    setObjectName("frmOptions");
    setWindowTitle("Game Options");
    namespace place = layout::options;
    using layout::dialog::kBoxHeight;
    using layout::dialog::kCaptionHeight;
    using layout::dialog::kCaptionWidth;
    const char* captions[] = {"Server Name:", "IP / Port:",     "Down Notify:", "RCON Pwd:",
                              "Game Pwd:",    "Player Config:", "Other Cmds:"};
    for (std::size_t i = 0; i < std::size(captions); ++i) {
        Caption(captions[i],
                {place::kCaptionLeft, place::kCaptionTops[i], kCaptionWidth, kCaptionHeight});
    }
    Caption("Game Type:", place::kGameTypeCaption);
    Caption("EXE Path:", place::kExePathCaption);

    txtData_[0] = TextBox(place::kServerName);
    cboGameType_ = new QComboBox(this);
    SetTwipsGeometry(*cboGameType_, screen, place::kGameType);
    cboGameType_->setFont(style::SmallFont());
    txtData_[1] = TextBox(place::kAddress);
    txtData_[2] = TextBox(place::kPort);
    chkServerDown_ = new QCheckBox(this);
    SetTwipsGeometry(*chkServerDown_, screen, place::kDownNotify);
    chkServerDown_->setToolTip("Notify When Server is Down");
    for (std::size_t i = 0; i < std::size(place::kLowerBoxTops); ++i) {
        txtData_[3 + i] =
            TextBox({place::kLowerBoxLeft, place::kLowerBoxTops[i], place::kBoxWidth, kBoxHeight});
    }
    txtData_[7] = TextBox(place::kExePath);
    cmdDialog_ = new QPushButton("Browse...", this);
    SetTwipsGeometry(*cmdDialog_, screen, place::kBrowse);
    cmdDialog_->setStyleSheet(style::kPlainButtonSheet);
    connect(cmdDialog_, &QPushButton::clicked, this, [this] { cmdDialog_Click(); });
    Button("&OK", place::kOk, [this] { lblOk_Click(); })->setObjectName("lblOk");
    Button("&Close", place::kClose, [this] { lblClose_Click(); })->setObjectName("lblClose");

    QWidget* order[] = {txtData_[0],    cboGameType_, txtData_[1], txtData_[2],
                        chkServerDown_, txtData_[3],  txtData_[4], txtData_[5],
                        txtData_[6],    txtData_[7],  cmdDialog_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    chooseFile = [this] { return OpenFileDialog(state_, this, false); };
}

void frmOptions::LoadMe(int MyIndex, int MyTop, int MyLeft) {
    slot_ = MyIndex;
    PlaceAbove(MyTop, MyLeft);
    cboGameType_->clear();
    for (std::size_t i = 0; i < state_.GameTypes.size(); ++i) {
        const clsGameType& type = state_.GameTypes.at(i);
        cboGameType_->addItem(FromAnsi(type.GameType()), type.UID());
    }
    ShowData();
}

void frmOptions::ShowData() {
    for (int box = 0; box < 7; ++box) {
        txtData(box).setText(FromAnsi(state_.ServerData(slot_, kBoxField[box])));
    }
    SelectByItemData(*cboGameType_, ReadWholeNumber(state_.ServerData(slot_, GameTypeID)));
    txtData(7).setText(FromAnsi(state_.ServerData(slot_, ExePath)));
    const auto notify = ReadLeadingNumber(state_.ServerData(slot_, DownNotify));
    chkServerDown_->setChecked(notify && *notify == 1.0);
}

int frmOptions::SelectedGameType() const {
    return cboGameType_->currentIndex() >= 0 ? cboGameType_->currentData().toInt() : 1;
}

void frmOptions::SaveData() {
    try {
        for (int box = 0; box < 7; ++box) {
            state_.ServerData(slot_, kBoxField[box]) = ToAnsi(txtData(box).text());
        }
        state_.ServerData(slot_, GameTypeID) = std::to_string(SelectedGameType());
        state_.ServerData(slot_, ExePath) = ToAnsi(txtData(7).text());
        state_.ServerData(slot_, DownNotify) = std::string(chkServerDown_->isChecked() ? "1" : "0");
    } catch (const std::exception& failure) {
        WriteLog(state_, HandlerLogLine("SaveData", failure), 4);
    }
}

void frmOptions::lblOk_Click() {
    std::string name;
    const std::int32_t statsId = LookupServer(state_, ToAnsi(txtData(1).text()),
                                              ToAnsi(txtData(2).text()), SelectedGameType(), name);
    state_.ServerData(slot_, StatsID) = std::to_string(statsId);
    SaveData();
    SaveSettings(state_);
    owner_.ReEnable();
    state_.DialogOpen = false;
    close();
}

void frmOptions::lblClose_Click() {
    owner_.ReEnable();
    state_.DialogOpen = false;
    close();
}

void frmOptions::cmdDialog_Click() {
    lastResult_ = chooseFile();
    if (lastResult_.Count > 0) {
        std::string path = lastResult_.Directory;
        path.append(lastResult_.FileNames.front());
        txtData(7).setText(FromAnsi(std::string(TrimSpaces(path))));
    }
}

} // namespace lindrel
