#include "app/Application.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/Settings.h"

namespace lindrel {

void StartApplication(AppState& state) {
    state.FindMark.fill(0);
    state.DialogOpen = false;
    WriteLog(state, "APPLICATION STARTED", 0);
    LoadSettings(state);
}

void EndApplication(AppState& state) {
    state.GameTypes.Clear();
    WriteLog(state, "APPLICATION ENDED", 0);
}

} // namespace lindrel
