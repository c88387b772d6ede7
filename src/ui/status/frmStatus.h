#pragma once

#include "service/AlertSink.h"
#include "service/HeldAlerts.h"
#include "skin/Region.h"
#include "ui/status/frmAlert.h"
#include "ui/status/frmMenu.h"
#include "ui/widgets/DialogOwner.h"
#include "ui/widgets/Forms.h"
#include "ui/widgets/Layouts.h"

#include <QImage>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <array>
#include <deque>
#include <functional>
#include <memory>

class QLabel;
class QWindow;

// The status window, tray icon, menus and alert. Errors: the handlers whose work can
// throw (the row's double-click, the poll timer) catch it and log "<handler>_Error [...]";
// nothing escapes into Qt's event loop.
namespace lindrel {

struct AppState;
class StatusActions;
class HitArea;

// The status poll's period.
inline constexpr int kPollIntervalMs = 15000;
// How often held alerts look whether the user left full screen.
inline constexpr int kHeldAlertsCheckMs = 1000;

// The main window: five status rows on a skin-shaped, borderless window, the tray icon,
// the polling timer and the alert pop-up.
class frmStatus : public QWidget, public AlertSink, public DialogOwner {
    Q_OBJECT
public:
    frmStatus(AppState& state, StatusActions& actions, const ScreenMetrics& screen);
    ~frmStatus() override;

    // Shapes the window, fills the rows, puts up the tray icon and starts Timer1. The
    // window stays hidden, unless there is no tray to show it from.
    void Load();
    bool loaded() const { return loaded_; }

    // Shows the alert, or, while the user is in a full-screen program, holds it until they
    // leave it (checked every second); the held ones then show one after the other.
    void SendPopUpMsg(const std::string& MyTip, const std::string& MyMessage, int MyIcon) override;
    void ReEnable() override;
    void RefreshRow(int slot) override;
    void LoadServerData(int lngServerID);
    void LoadAllServerData();
    // Refreshes; if hidden, shows the window in the bottom-right corner, in front.
    void ShowStatusWindow();
    void RefreshTrayIcon();
    // A tray mouse message (512 to 517), as the tray icon reports it.
    void TrayCallback(int message);
    void Timer1_Timer();

    // Replaceable by tests: how a drag starts and how a menu pops up.
    std::function<bool(QWindow&)> startSystemMove;
    std::function<void(QMenu&)> popUpMenu;

    QLabel& lblInfo(int index) const { return *lblInfo_.at(static_cast<std::size_t>(index)); }
    HitArea& lblGame(int slot) const { return *lblGame_.at(static_cast<std::size_t>(slot)); }
    HitArea& lblEdit(int slot) const { return *lblEdit_.at(static_cast<std::size_t>(slot)); }
    HitArea& lblExit() const { return *lblExit_; }
    frmAlert* Alert() const { return alert_; }
    frmMenu& Menu() { return menu_; }
    QTimer& Timer1() { return timer1_; }
    QTimer& HeldAlertsCheck() { return heldCheck_; }
    // Replaceable by tests: whether the user is in a full-screen program now.
    std::function<bool()> userIsInFullScreen;
    QSystemTrayIcon& TrayIcon() { return tray_; }
    const Region& WindowRegion() const { return region_; }

    static constexpr int kWidthTwips = layout::status::kWidth;
    static constexpr int kHeightTwips = layout::status::kHeight;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The construction's steps: the rows' texts, the click areas above them, the tray
    // icon's and the menus' handlers.
    void BuildRowTexts();
    void BuildHitAreas();
    void ConnectTrayAndMenu();
    void PopUpTrayMenu();
    void EnsureTrayShown();
    void ShowAlert(const std::string& title, const std::string& message);
    // Draws the skin at the window's density and shapes the window to it.
    void Reskin();
    void ReleaseHeldAlerts();
    void ShowNextReleasedAlert();

    AppState& state_;
    StatusActions& actions_;
    const ScreenMetrics& screen_;
    QImage skin_;
    Region region_;
    std::array<QLabel*, 20> lblInfo_{};
    std::array<HitArea*, 5> lblGame_{};
    std::array<HitArea*, 5> lblEdit_{};
    HitArea* lblExit_ = nullptr;
    QPointer<frmAlert> alert_;
    frmMenu menu_;
    QSystemTrayIcon tray_;
    QTimer timer1_;
    HeldAlerts held_;
    std::deque<HeldAlert> released_;
    QTimer heldCheck_;
    bool loaded_ = false;
    bool followsScreen_ = false;
};

} // namespace lindrel
