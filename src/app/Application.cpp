#include "app/Application.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "launcher/GameCommand.h"
#include "platform/Platform.h"
#include "service/Directory.h"
#include "service/StatusPoll.h"
#include "ui/config/frmGlobalOptions.h"
#include "ui/config/frmOptions.h"
#include "ui/config/frmPlayers.h"
#include "ui/status/frmStatus.h"
#include "update/Update.h"

#include <QApplication>
#include <QCoreApplication>

namespace lindrel {

bool RunStartUpSequence(AppState& state, AlertSink& alerts) {
    state.FindMark.fill(0);
    state.DialogOpen = false;
    WriteLog(state, "APPLICATION STARTED", 0);
    RemoveUpdateFiles(state);
    if (CheckForUpdate(state, [] { QCoreApplication::processEvents(); })) {
        return false;
    }
    LoadServerDirectory(state);
    LoadGameTypes(state);
    LoadSettings(state);
    state.FileDialogTitle = std::string(kMakerWebAddress) + " - Select Game Exec";
    PullStats(state, alerts);
    return true;
}

void FinishShutDown(AppState& state) {
    state.GameTypes.Clear();
    WriteLog(state, "APPLICATION ENDED", 0);
}

Monitor::Monitor(AppState& state, ScreenMetrics screen) : state_(state), screen_(screen) {}

Monitor::~Monitor() = default;

bool Monitor::StartApplication() {
    // The window exists before the first poll so that its alerts have somewhere to go;
    // it is loaded (shaped, tray icon, timer) right after.
    status_ = std::make_unique<frmStatus>(state_, *this, screen_);
    if (!RunStartUpSequence(state_, *status_)) {
        status_.reset();
        return false;
    }
    if (!status_->loaded()) {
        status_->Load();
    }
    return true;
}

void Monitor::EndApplication() {
    // The other windows refer to the status window, so they go first.
    for (QWidget* window :
         {static_cast<QWidget*>(options_.data()), static_cast<QWidget*>(players_.data()),
          static_cast<QWidget*>(global_.data())}) {
        delete window;
    }
    status_.reset();
    FinishShutDown(state_);
    QCoreApplication::exit(0);
}

void Monitor::OpenServerOptions(int slot, int top, int left) {
    if (!options_) {
        options_ = new frmOptions(state_, *status_, screen_);
    }
    options_->LoadMe(slot, top, left);
    options_->show();
}

void Monitor::OpenPlayers(int slot, int top, int left) {
    if (!players_) {
        players_ = new frmPlayers(state_, *status_, screen_);
    }
    players_->LoadMe(slot, top, left);
    players_->show();
}

void Monitor::OpenGlobalOptions() {
    if (!global_) {
        global_ = new frmGlobalOptions(state_, *status_, screen_);
    }
    global_->LoadMe();
}

void Monitor::RunGame(int slot) {
    lindrel::RunGame(state_, slot);
}

void PreferPlaceableWindows() {
    const std::string preferred = platform::PreferredWindowSystem();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !preferred.empty()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(preferred));
    }
}

int RunMonitor(AppState& state, const std::function<void(Monitor&)>& started) {
    // The program lives in the tray: closing or hiding a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    Monitor monitor(state, ScreenMetrics::Primary());
    if (!monitor.StartApplication()) {
        return 0; // an updater took over
    }
    if (started) {
        started(monitor);
    }
    return QApplication::exec();
}

} // namespace lindrel
