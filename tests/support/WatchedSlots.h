#pragma once

#include "core/AppState.h"

namespace lindrel::test {

// Gives the five slots the stats numbers of the built-in directory (7, 4, 8, 6, 9), the
// ones the canned replies of the tests and benchmarks name, and optionally down alerts.
inline void WatchBuiltInIds(AppState& state, bool downAlerts) {
    const char* ids[] = {"7", "4", "8", "6", "9"};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        state.ServerData(slot, StatsID) = ids[slot];
        if (downAlerts) {
            state.ServerData(slot, DownNotify) = "1";
        }
    }
}

} // namespace lindrel::test
