#include "app/Application.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "service/Directory.h"
#include "service/StatusPoll.h"

namespace lindrel {

void StartApplication(AppState& state, AlertSink& alerts) {
    state.FindMark.fill(0);
    state.DialogOpen = false;
    WriteLog(state, "APPLICATION STARTED", 0);
    LoadServerDirectory(state);
    LoadGameTypes(state);
    LoadSettings(state);
    PullStats(state, alerts);
}

void EndApplication(AppState& state) {
    state.GameTypes.Clear();
    WriteLog(state, "APPLICATION ENDED", 0);
}

} // namespace lindrel
