#pragma once

#include <string>

// Starting a watched server's game. Errors: GameCommandLine throws for a slot or game type
// that does not exist; RunGame logs every failure and never throws.
namespace lindrel {

struct AppState;

// The game's parameters for a slot: the mod, the config (twice), the passwords, the
// server and the user's own commands, spaces trimmed and collapsed. Throws when the slot
// is not 0 to 4 (std::out_of_range) or its game type is not listed (std::invalid_argument).
std::string GameCommandLine(const AppState& state, int slot);

// Starts the slot's game connected to its server, in the game program's folder. A
// failure is logged as "RunGame_Error [...]" and nothing starts; a game that fails to
// start is not reported.
void RunGame(AppState& state, int slot);

} // namespace lindrel
