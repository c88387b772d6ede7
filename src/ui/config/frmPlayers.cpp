#include "ui/config/frmPlayers.h"

#include "core/AppState.h"
#include "ui/status/Ansi.h"
#include "ui/status/Widgets.h"
#include "ui/status/frmStatus.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace lindrel {

namespace {

const QColor kYellow(255, 255, 0);
const QColor kBlack(0, 0, 0);

void Colour(QWidget& widget, const QColor& background, const QColor& text) {
    QPalette colours = widget.palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Button, background);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    widget.setPalette(colours);
    widget.setAutoFillBackground(true);
}

} // namespace

frmPlayers::frmPlayers(AppState& state, frmStatus& status, const ScreenMetrics& screen)
    : SkinnedDialog(screen, ":/lindrel/players.png", kWidthTwips, kHeightTwips, kBlack),
      state_(state), status_(status) {
    setObjectName("frmPlayers");
    setWindowTitle("Player List");
    Caption("Server Name:", 15, 480, 1215, 255);

    cboServers_ = new QComboBox(this);
    SetTwipsGeometry(*cboServers_, screen, 1320, 480, 2295, 300);
    QFont small("Arial");
    small.setPointSizeF(6.75);
    cboServers_->setFont(small);
    Colour(*cboServers_, kBlack, kYellow);
    connect(cboServers_, &QComboBox::activated, this, [this] { cboServers_Click(); });

    fraList_ = new QWidget(this);
    SetTwipsGeometry(*fraList_, screen, 240, 900, 3015, 2400);
    Colour(*fraList_, kBlack, kYellow);
    fraPlayers_ = new QWidget(fraList_);
    SetTwipsGeometry(*fraPlayers_, screen, 0, 0, 3135, 255);
    Colour(*fraPlayers_, kBlack, kYellow);
    template_ = RowBox(0, 0, 3015, "", false);
    template_->setObjectName("txtData0");

    vbar_ = new QScrollBar(Qt::Vertical, this);
    SetTwipsGeometry(*vbar_, screen, 3360, 900, 255, 2535);
    vbar_->setEnabled(false);
    connect(vbar_, &QScrollBar::valueChanged, this, [this](int value) {
        fraPlayers_->move(0, -this->screen().ToPixelsY(value * scrollStep_));
    });

    Button("&OK", 1680, 3630, 930, 255, [this] { CloseMe(); })->setObjectName("lblOk");
    Button("&Refresh", 2640, 3630, 975, 255, [this] {
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

QLineEdit* frmPlayers::RowBox(int left, int top, int width, const std::string& text,
                              bool highlighted) {
    auto* box = new QLineEdit(fraPlayers_);
    SetTwipsGeometry(*box, screen(), left, top, width, 210);
    QFont font("Arial");
    font.setPointSizeF(8.25);
    box->setFont(font);
    box->setFrame(false);
    box->setText(FromAnsi(text));
    box->setReadOnly(true);
    box->setCursorPosition(0);
    Colour(*box, highlighted ? kYellow : kBlack, highlighted ? kBlack : kYellow);
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
            cboServers_->addItem(FromAnsi(state_.ServerCaption(slot)), slot);
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
    PullPlayers(state_, slot_, *this);
    status_.LoadServerData(slot_);
}

void frmPlayers::ClearRows() {
    for (QLineEdit* box : rows_) {
        delete box;
    }
    rows_.clear();
}

void frmPlayers::CloseMe() {
    status_.setEnabled(true);
    state_.DialogOpen = false;
    hide();
    ClearRows();
    close();
}

void frmPlayers::SetListHeight(int twips) {
    vbar_->resize(vbar_->width(), screen().ToPixelsY(twips));
    fraList_->resize(fraList_->width(), screen().ToPixelsY(twips));
}

void frmPlayers::ShowNoPlayers() {
    template_->setText("No Players Found");
    template_->show();
    fraPlayers_->resize(fraPlayers_->width(), screen().ToPixelsY(kPlayerRowTwips));
}

void frmPlayers::ShowRows(int rowsHeight) {
    template_->hide();
    fraPlayers_->resize(fraPlayers_->width(), screen().ToPixelsY(rowsHeight));
}

void frmPlayers::ConfigureScrollBar(int maximum, int step) {
    scrollStep_ = step;
    vbar_->setMaximum(maximum);
    vbar_->setValue(0);
    fraPlayers_->move(0, 0);
    vbar_->setEnabled(true);
}

void frmPlayers::AddRow(int row, const std::string& name, const std::string& first,
                        const std::string& second, bool highlighted) {
    const int top = kPlayerRowTwips * row;
    rows_.push_back(RowBox(0, top, 1930, name, highlighted));
    rows_.push_back(RowBox(1955, top, 500, first, highlighted));
    rows_.push_back(RowBox(2480, top, 500, second, highlighted));
}

} // namespace lindrel
