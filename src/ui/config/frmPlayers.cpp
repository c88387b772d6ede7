#include "ui/config/frmPlayers.h"

#include "core/AppState.h"
#include "ui/widgets/Ansi.h"
#include "ui/widgets/DialogOwner.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/Widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace lindrel {

namespace place = layout::players;

frmPlayers::frmPlayers(AppState& state, DialogOwner& owner, const ScreenMetrics& screen)
    : SkinnedDialog(screen, "Player List", kWidthTwips, kHeightTwips, style::Black()),
      state_(state), owner_(owner) {
    setObjectName("frmPlayers");
    setWindowTitle("Player List");
    Caption("Server Name:", place::kServerCaption);

    cboServers_ = new QComboBox(this);
    SetTwipsGeometry(*cboServers_, screen, place::kServers);
    cboServers_->setFont(style::SmallFont());
    Colour(*cboServers_, style::Black(), style::Yellow());
    connect(cboServers_, &QComboBox::activated, this, [this] { cboServers_Click(); });

    fraList_ = new QWidget(this);
    SetTwipsGeometry(*fraList_, screen, place::kList);
    Colour(*fraList_, style::Black(), style::Yellow());
    fraPlayers_ = new QWidget(fraList_);
    SetTwipsGeometry(*fraPlayers_, screen, place::kRows);
    Colour(*fraPlayers_, style::Black(), style::Yellow());
    template_ = RowBox(place::kTemplateRow, "", false);
    template_->setObjectName("txtData0");

    vbar_ = new QScrollBar(Qt::Vertical, this);
    SetTwipsGeometry(*vbar_, screen, place::kScrollBar);
    vbar_->setEnabled(false);
    connect(vbar_, &QScrollBar::valueChanged, this, [this](int value) {
        fraPlayers_->move(0, -this->screen().ToPixelsY(value * scrollStep_));
    });

    Button("&OK", place::kOk, [this] { CloseMe(); })->setObjectName("lblOk");
    Button("&Refresh", place::kRefresh, [this] {
        lblRefresh_Click();
    })->setObjectName("lblRefresh");

    timRefresh_.setSingleShot(true);
    timRefresh_.setInterval(10);
    connect(&timRefresh_, &QTimer::timeout, this, [this] {
        timRefresh_.stop();
        ClearRows();
        RefreshList();
    });
}

QLineEdit& frmPlayers::txtData(int index) const {
    return index == 0 ? *template_ : *rows_.at(static_cast<std::size_t>(index - 1));
}

QLineEdit* frmPlayers::RowBox(TwipsRect place, const std::string& text, bool highlighted) {
    auto* box = new QLineEdit(fraPlayers_);
    SetTwipsGeometry(*box, screen(), place);
    box->setFont(style::Font());
    box->setFrame(false);
    box->setText(FromGameText(text));
    box->setReadOnly(true);
    box->setCursorPosition(0);
    const QColor yellow = style::Yellow();
    const QColor black = style::Black();
    Colour(*box, highlighted ? yellow : black, highlighted ? black : yellow);
    box->show();
    return box;
}

void frmPlayers::LoadMe(int MyIndex, int MyTop, int MyLeft) {
    slot_ = MyIndex;
    PlaceAbove(MyTop, MyLeft);
    {
        const QSignalBlocker quiet(cboServers_);
        cboServers_->clear();
        int position = 0;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            cboServers_->addItem(FromGameText(state_.ServerCaption(slot)), slot);
            if (slot == MyIndex) {
                position = slot;
            }
        }
        cboServers_->setCurrentIndex(position);
    }
    cboServers_Click();
    RefreshList();
}

void frmPlayers::cboServers_Click() {
    if (cboServers_->currentIndex() >= 0) {
        slot_ = cboServers_->currentData().toInt();
        timRefresh_.start();
    }
}

void frmPlayers::RefreshList() {
    ShowList(PullPlayers(state_, slot_));
    owner_.RefreshRow(slot_);
}

void frmPlayers::ClearRows() {
    for (QLineEdit* box : rows_) {
        delete box;
    }
    rows_.clear();
}

void frmPlayers::CloseMe() {
    owner_.ReEnable();
    state_.DialogOpen = false;
    hide();
    ClearRows();
    close();
}

void frmPlayers::ShowList(const PlayerList& list) {
    if (!list.serverRead) {
        return;
    }
    const int listHeight = screen().ToPixelsY(place::kListHeight);
    vbar_->resize(vbar_->width(), listHeight);
    fraList_->resize(fraList_->width(), listHeight);
    if (!list.announced) {
        return;
    }
    if (*list.announced == 0) {
        template_->setText("No Players Found");
        template_->show();
        fraPlayers_->resize(fraPlayers_->width(), screen().ToPixelsY(place::kRowHeight));
        return;
    }
    template_->hide();
    fraPlayers_->resize(fraPlayers_->width(), screen().ToPixelsY(list.count * place::kRowHeight));
    if (list.count > place::kVisibleRows) {
        scrollStep_ = place::kRowHeight;
        vbar_->setMaximum(list.count - place::kVisibleRows);
        vbar_->setValue(0);
        fraPlayers_->move(0, 0);
        vbar_->setEnabled(true);
    }
    for (std::size_t row = 0; row < list.rows.size(); ++row) {
        const PlayerRow& player = list.rows[row];
        const int top = place::kRowHeight * static_cast<int>(row);
        const std::string* texts[] = {&player.name, &player.first, &player.second};
        for (std::size_t column = 0; column < std::size(texts); ++column) {
            rows_.push_back(RowBox({place::kColumnLefts[column], top, place::kColumnWidths[column],
                                    place::kRowBoxHeight},
                                   *texts[column], player.highlighted));
        }
    }
}

} // namespace lindrel
