#pragma once

namespace lindrel {

struct AppState;
class AlertSink;

// The start-up sequence: markers and flags reset, the start logged, the server directory
// and game types asked for, the settings loaded, the first status poll.
void StartApplication(AppState& state, AlertSink& alerts);

// The orderly way out: releases what the program holds and logs the end.
void EndApplication(AppState& state);

} // namespace lindrel
