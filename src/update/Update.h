#pragma once

#include <functional>

namespace lindrel {

struct AppState;

// Deletes "update.exe" and "newfile.dat" from the program's folder; failures are ignored.
void RemoveUpdateFiles(const AppState& state);

// Asks the service for a version other than this one ("f=2"), fetches its files over FTP
// into the program's folder, and starts "update.exe" when it and "newfile.dat" are there.
// Returns true when the updater was started: the program must end at once. Failures are
// logged as "CheckForUpdate_Error [...]" and the start goes on.
bool CheckForUpdate(AppState& state, const std::function<void()>& pumpEvents);

// Starts "update.exe" in the program's folder, with no parameters.
void RunUpdate(const AppState& state);

inline constexpr const char* kOwnVersion = "3.25.2003";

} // namespace lindrel
