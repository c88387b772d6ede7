#pragma once

#include "ui/status/StatusActions.h"
#include "ui/widgets/Forms.h"

#include <QPointer>
#include <functional>
#include <memory>

// The running program: start-up, windows and shut-down. Errors: the start-up steps log
// their own failures and go on; only an update that took over ends the start early.
namespace lindrel {

struct AppState;
class AlertSink;
class frmStatus;
class frmOptions;
class frmPlayers;
class frmGlobalOptions;

// Shown in the title of the game program chooser.
inline constexpr const char* kMakerWebAddress = "https://lindrel.example";

// The start-up steps that need no window: markers and flags reset, the start logged, an
// earlier update's files removed and a new update looked for, the server directory and game types
// asked for, the settings loaded, the file chooser's title set, the first status poll. Returns
// false when an update was started instead and the program must end at once.
bool RunStartUpSequence(AppState& state, AlertSink& alerts);

// The last steps of the shut-down: the game types released, the end logged.
void FinishShutDown(AppState& state);

// The running program: its windows over the shared state.
class Monitor : public StatusActions {
public:
    Monitor(AppState& state, ScreenMetrics screen);
    ~Monitor() override;

    // Runs the start-up sequence and loads the status window (hidden, in the tray).
    // Returns false when an updater was started: the program ends without its shut-down.
    bool StartApplication();
    // Closes the windows (the tray icon goes with the status window), logs the end and
    // leaves the event loop; nothing runs after it.
    void EndApplication();

    void RunGame(int slot) override;
    void OpenServerOptions(int slot, int top, int left) override;
    void OpenPlayers(int slot, int top, int left) override;
    void OpenGlobalOptions() override;
    void Exit() override { EndApplication(); }

    frmStatus* Status() const { return status_.get(); }

private:
    AppState& state_;
    ScreenMetrics screen_;
    std::unique_ptr<frmStatus> status_;
    // Each created on first use, deleted when it closes.
    QPointer<frmOptions> options_;
    QPointer<frmPlayers> players_;
    QPointer<frmGlobalOptions> global_;
};

// The status window and the alert place themselves in the screen's bottom-right corner,
// which Qt's X11 platform allows and its Wayland platform does not. With an X display at
// hand (a Wayland session with XWayland has one), this asks for X11, unless the user chose
// a platform in QT_QPA_PLATFORM. Without one the windows show where the compositor puts
// them. Call before the QApplication is made.
void PreferPlaceableWindows();

// The program's run over state: the start-up, then the event loop until "Exit"; returns
// the exit status. started sees the monitor once it runs (the test build shortens the
// poll interval there and watches the ticks).
int RunMonitor(AppState& state, const std::function<void(Monitor&)>& started = {});

} // namespace lindrel
