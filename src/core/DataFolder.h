#pragma once

#include <string>

namespace lindrel {

// The folder every data file of the monitor lives in (settings, log, update files),
// chosen once at start:
// - the program's own folder when this user can write there: the portable install;
// - otherwise the user's data folder for it ("lindrel" in $XDG_DATA_HOME, by default
//   ~/.local/share; on Windows "Lindrel" in %APPDATA%), created when missing. Settings files found
//   in the program's folder and not yet in the data folder are copied there first, so none is lost;
// - the program's folder again when the user's data folder cannot be told or made.
std::string ChooseDataFolder(const std::string& programFolder);

} // namespace lindrel
