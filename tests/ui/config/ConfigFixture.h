#pragma once

#include "core/AppState.h"
#include "support/NoStatusActions.h"
#include "support/ScriptedService.h"
#include "support/TempDir.h"
#include "support/WatchedSlots.h"
#include "ui/status/frmStatus.h"

#include <gtest/gtest.h>
#include <memory>

namespace lindrel::test {

// A state pointed at a scripted service, and the status window the dialogs return to,
// on a 1024 x 738 screen at 15 twips a pixel.
class ConfigFixture : public ::testing::Test {
protected:
    ConfigFixture() {
        screen.fullWidth = 1024;
        screen.fullHeight = 738;
        state.StatsBaseURL = service.BaseUrl();
        WatchBuiltInIds(state, false);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            state.ServerData(slot, ServerName) = "Slot " + std::to_string(slot);
        }
        status = std::make_unique<frmStatus>(state, actions, screen);
        status->setEnabled(false); // as the status window leaves itself when it opens one
        state.DialogOpen = true;
    }

    TempDir dir;
    ScriptedService service;
    ScreenMetrics screen;
    AppState state{dir.str()};
    NoStatusActions actions;
    std::unique_ptr<frmStatus> status;
};

} // namespace lindrel::test
