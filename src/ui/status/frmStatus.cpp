#include "ui/status/frmStatus.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "platform/Platform.h"
#include "service/StatusPoll.h"
#include "skin/Artwork.h"
#include "ui/status/StatusActions.h"
#include "ui/status/Tray.h"
#include "ui/status/frmAlert.h"
#include "ui/widgets/Ansi.h"
#include "ui/widgets/Layouts.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/Widgets.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace lindrel {

frmStatus::frmStatus(AppState& state, StatusActions& actions, const ScreenMetrics& screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), state_(state), actions_(actions),
      screen_(screen) {
    setObjectName("frmStatus");
    setWindowTitle("Lindrel");
    setWindowIcon(ProgramIcon());
    resize(screen.ToPixelsX(kWidthTwips), screen.ToPixelsY(kHeightTwips));
    BuildRowTexts();
    // The hit areas lie above the texts, so a click on a row's text reaches them.
    BuildHitAreas();

    startSystemMove = [](QWindow& window) { return window.startSystemMove(); };
    popUpMenu = [](QMenu& menu) { menu.popup(QCursor::pos()); };
    userIsInFullScreen = [] { return platform::UserIsInFullScreen(); };
    ConnectTrayAndMenu();

    timer1_.setInterval(kPollIntervalMs);
    connect(&timer1_, &QTimer::timeout, this, &frmStatus::Timer1_Timer);
    heldCheck_.setInterval(kHeldAlertsCheckMs);
    connect(&heldCheck_, &QTimer::timeout, this, &frmStatus::ReleaseHeldAlerts);
}

void frmStatus::BuildRowTexts() {
    namespace place = layout::status;
    // What each column shows until the first poll fills it.
    constexpr const char* kDesignTexts[] = {"Server Name", "Map Name", "2/20", "125"};
    const QFont rowFont = style::Font();
    QPalette yellow = palette();
    yellow.setColor(QPalette::WindowText, style::Yellow());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        for (int column = 0; column < 4; ++column) {
            auto* label = new QLabel(kDesignTexts[column], this);
            SetTwipsGeometry(*label, screen_,
                             {place::kInfoLefts[column], place::kInfoTops[slot],
                              place::kInfoWidths[column], place::kInfoHeight});
            label->setFont(rowFont);
            label->setPalette(yellow);
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            lblInfo_[static_cast<std::size_t>(slot) * 4 + static_cast<std::size_t>(column)] = label;
        }
    }
}

void frmStatus::BuildHitAreas() {
    namespace place = layout::status;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        auto* game = new HitArea(this);
        TwipsRect gameArea = place::kGame;
        gameArea.top = place::kGameTops[slot];
        SetTwipsGeometry(*game, screen_, gameArea);
        game->onDoubleClick = [this, slot] {
            try {
                state_.SelectedSlot = slot;
                actions_.RunGame(slot);
                hide();
            } catch (const std::exception& failure) {
                WriteLog(state_, HandlerLogLine("lblGame_DblClick", failure), 4);
            }
        };
        game->onRightPress = [this, slot](QPoint) {
            state_.SelectedSlot = slot;
            popUpMenu(menu_.mnuServer);
        };
        lblGame_[static_cast<std::size_t>(slot)] = game;

        auto* edit = new HitArea(this);
        TwipsRect editMark = place::kEdit;
        editMark.top = place::kEditTops[slot];
        SetTwipsGeometry(*edit, screen_, editMark);
        edit->onClick = [this, slot] {
            const TwipsPoint at = WindowTwips(*this, screen_);
            actions_.OpenServerOptions(slot, at.top, at.left);
            state_.DialogOpen = true;
            setEnabled(false);
        };
        lblEdit_[static_cast<std::size_t>(slot)] = edit;
    }
    lblExit_ = new HitArea(this);
    SetTwipsGeometry(*lblExit_, screen_, place::kExit);
    lblExit_->onClick = [this] { hide(); };
}

void frmStatus::ConnectTrayAndMenu() {
    tray_.setIcon(ProgramIcon());
    connect(
        &tray_, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) { TrayCallback(TrayMessageFor(reason)); });
    connect(menu_.mnuOptions, &QAction::triggered, this, [this] {
        setEnabled(false);
        actions_.OpenGlobalOptions();
    });
    connect(menu_.mnuPlayers, &QAction::triggered, this, [this] {
        const TwipsPoint at = WindowTwips(*this, screen_);
        state_.DialogOpen = true;
        setEnabled(false);
        actions_.OpenPlayers(state_.SelectedSlot, at.top, at.left);
    });
    // Queued: the shut-down deletes this window and its menus, which must not happen
    // while the menu is still delivering the click.
    connect(
        menu_.mnuExit, &QAction::triggered, this, [this] { actions_.Exit(); },
        Qt::QueuedConnection);
}

frmStatus::~frmStatus() {
    tray_.hide();
    released_.clear(); // the alert's end must not bring up the next one now
    if (alert_) {
        delete alert_.data();
    }
}

void frmStatus::Load() {
    Reskin();
    LoadAllServerData();
    RefreshTrayIcon();
    EnsureTrayShown();
    timer1_.start();
    loaded_ = true;
    // Without a tray there would be no way to reach the window: show it at once.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ShowStatusWindow();
    }
}

void frmStatus::EnsureTrayShown() {
    if (!tray_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_.show();
    }
}

void frmStatus::SendPopUpMsg(const std::string& MyTip, const std::string& MyMessage,
                             int /*MyIcon*/) {
    if (userIsInFullScreen()) {
        held_.Hold(MyTip, MyMessage);
        heldCheck_.start();
        return;
    }
    ShowAlert(MyTip, MyMessage);
}

void frmStatus::ShowAlert(const std::string& title, const std::string& message) {
    if (!alert_) {
        alert_ = new frmAlert(screen_);
        // Each alert shows for its own time: the next released one follows it.
        connect(alert_, &QObject::destroyed, this, [this] { ShowNextReleasedAlert(); });
    }
    alert_->LoadMe(FromGameText(message), FromGameText(title));
    ShowWindowNoActivate(*alert_);
}

void frmStatus::ReleaseHeldAlerts() {
    if (userIsInFullScreen()) {
        return;
    }
    heldCheck_.stop();
    for (HeldAlert& alert : held_.Release()) {
        released_.push_back(std::move(alert));
    }
    if (!alert_) {
        ShowNextReleasedAlert();
    }
}

void frmStatus::ShowNextReleasedAlert() {
    if (released_.empty()) {
        return;
    }
    if (userIsInFullScreen()) { // back in the game before they were all shown
        for (const HeldAlert& alert : released_) {
            held_.Hold(alert.title, alert.message);
        }
        released_.clear();
        heldCheck_.start();
        return;
    }
    const HeldAlert next = std::move(released_.front());
    released_.pop_front();
    ShowAlert(next.title, next.message);
}

void frmStatus::LoadServerData(int lngServerID) {
    const auto& status = state_.ServerStatus.at(static_cast<std::size_t>(lngServerID));
    lblInfo(4 * lngServerID).setText(FromGameText(state_.ServerCaption(lngServerID)));
    lblInfo(4 * lngServerID + 1).setText(FromGameText(status.MapName));
    lblInfo(4 * lngServerID + 2).setText(FromAnsi(status.Players));
    lblInfo(4 * lngServerID + 3).setText(FromAnsi(status.Ping));
}

void frmStatus::LoadAllServerData() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        LoadServerData(slot);
    }
}

void frmStatus::ShowStatusWindow() {
    LoadAllServerData();
    RefreshTrayIcon();
    if (isVisible()) {
        return;
    }
    show();
    const TwipsPoint place = StatusWindowPlace(screen_, kWidthTwips, kHeightTwips);
    MoveTwips(*this, screen_, place);
    BringToFront(*this);
}

void frmStatus::RefreshTrayIcon() {
    tray_.setToolTip(FromGameText(TrayTip(state_)));
}

void frmStatus::TrayCallback(int message) {
    switch (DecodeTrayCallback(message, state_.DialogOpen)) {
    case TrayAction::ShowStatusWindow:
        ShowStatusWindow();
        break;
    case TrayAction::PopUpTrayMenu:
        PopUpTrayMenu();
        break;
    case TrayAction::None:
        break;
    }
}

void frmStatus::PopUpTrayMenu() {
    popUpMenu(menu_.mnuMenu);
}

void frmStatus::Timer1_Timer() {
    timer1_.stop();
    try {
        PullStats(state_, *this);
        LoadAllServerData();
        RefreshTrayIcon();
        // A tray that appears after the start gets the icon.
        EnsureTrayShown();
    } catch (const std::exception& failure) {
        WriteLog(state_, HandlerLogLine("Timer1_Timer", failure), 4);
    }
    timer1_.start();
}

void frmStatus::ReEnable() {
    setEnabled(true);
}

void frmStatus::RefreshRow(int slot) {
    LoadServerData(slot);
}

void frmStatus::Reskin() {
    skin_ = StatusSkin(devicePixelRatioF());
    std::int32_t key = 1;
    region_.ScanPicture(skin_, key);
    region_.ApplyRgn(*this);
    update();
}

void frmStatus::showEvent(QShowEvent*) {
    // On a screen of another density the skin is drawn and the shape made again: the
    // window's screen is known once it is shown, and followed from then on.
    if (!followsScreen_ && windowHandle() != nullptr) {
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { Reskin(); });
        followsScreen_ = true;
    }
    if (loaded_ && skin_.devicePixelRatio() != devicePixelRatioF()) {
        Reskin();
    }
}

void frmStatus::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, skin_);
}

void frmStatus::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !state_.DialogOpen && windowHandle() != nullptr) {
        startSystemMove(*windowHandle());
    } else if (event->button() == Qt::RightButton && !tray_.isVisible()) {
        // With no tray icon, the skin itself opens the tray menu.
        TrayCallback(kRightButtonUp);
    }
}

void frmStatus::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && loaded_) {
        ShowStatusWindow();
    }
}

} // namespace lindrel
