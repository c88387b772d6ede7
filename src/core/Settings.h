#pragma once

namespace lindrel {

struct AppState;

// Reads "global.dat" and "lindrel.dat" from the program's folder into GlobalData and
// ServerData, starting ServerData from DefaultServers. A missing "lindrel.dat", or one
// holding ten empty lines, is written anew with the values in memory. Never fails.
void LoadSettings(AppState& state);

// Writes both settings files. A file that cannot be written keeps its old content and
// the values live on in memory only; nothing is reported.
void SaveSettings(const AppState& state);

} // namespace lindrel
