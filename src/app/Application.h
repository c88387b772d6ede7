#pragma once

namespace lindrel {

struct AppState;

// The start-up sequence: markers and flags reset, the start logged, the settings loaded.
void StartApplication(AppState& state);

// The orderly way out: releases what the program holds and logs the end.
void EndApplication(AppState& state);

} // namespace lindrel
