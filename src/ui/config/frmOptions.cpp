#include "ui/config/frmOptions.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "service/Directory.h"
#include "ui/status/Ansi.h"
#include "ui/status/Widgets.h"
#include "ui/status/frmStatus.h"

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

frmOptions::frmOptions(AppState& state, frmStatus& status, const ScreenMetrics& screen)
    : SkinnedDialog(screen, ":/lindrel/options.png", kWidthTwips, kHeightTwips,
                    QColor(0x12, 0x15, 0x1b)),
      state_(state), status_(status) {
    setObjectName("frmOptions");
    setWindowTitle("Game Options");
    const char* captions[] = {"Server Name:", "IP / Port:",     "Down Notify:", "RCON Pwd:",
                              "Game Pwd:",    "Player Config:", "Other Cmds:"};
    const int captionTops[] = {480, 1175, 1410, 1680, 1980, 2340, 2670};
    for (int i = 0; i < 7; ++i) {
        Caption(captions[i], 15, captionTops[i], 1215, 255);
    }
    Caption("Game Type:", 0, 840, 1215, 255);
    Caption("EXE Path:", 0, 2970, 1215, 255);

    txtData_[0] = TextBox(1440, 480, 1935, 210);
    cboGameType_ = new QComboBox(this);
    SetTwipsGeometry(*cboGameType_, screen, 1440, 765, 1935, 300);
    QFont small("Arial");
    small.setPointSizeF(6.75);
    cboGameType_->setFont(small);
    txtData_[1] = TextBox(1440, 1175, 1335, 210);
    txtData_[2] = TextBox(2880, 1175, 495, 210);
    chkServerDown_ = new QCheckBox(this);
    SetTwipsGeometry(*chkServerDown_, screen, 1440, 1440, 135, 195);
    chkServerDown_->setToolTip("Notify When Server is Down");
    const int boxTops[] = {1680, 2010, 2340, 2670};
    for (int i = 0; i < 4; ++i) {
        txtData_[3 + static_cast<std::size_t>(i)] = TextBox(1440, boxTops[i], 1935, 210);
    }
    txtData_[7] = TextBox(1425, 3000, 1935, 210);
    cmdDialog_ = new QPushButton("Browse...", this);
    SetTwipsGeometry(*cmdDialog_, screen, 2526, 3210, 855, 250);
    cmdDialog_->setStyleSheet("background: rgb(224, 224, 224); color: black; border: none;");
    connect(cmdDialog_, &QPushButton::clicked, this, [this] { cmdDialog_Click(); });
    Button("&OK", 1680, 3635, 930, 255, [this] { lblOk_Click(); })->setObjectName("lblOk");
    Button("&Close", 2640, 3635, 975, 255, [this] { lblClose_Click(); })->setObjectName("lblClose");

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
    status_.setEnabled(true);
    state_.DialogOpen = false;
    close();
}

void frmOptions::lblClose_Click() {
    status_.setEnabled(true);
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
