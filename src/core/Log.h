#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace lindrel {

struct AppState;

// Appends "[date][time] message" and CR LF to "lindrellog.log" in the program's folder.
// The category (0 for start and end, 4 for the rest) is part of every call but is not
// written. A failure to write loses the entry silently.
void WriteLog(const AppState& state, std::string_view message, int category);

// The "[date][time] " prefix for a moment, in the short-date and long-time forms of the
// named LC_TIME locale. Without a locale, or for "C", "POSIX" and US English, the form is
// that of a US English desktop: "[12/7/2026][8:35:07 AM] ".
std::string FormatLogStamp(const std::tm& when, const std::string& localeName);

// The user's LC_TIME locale name from the environment (LC_ALL, LC_TIME, LANG); empty
// when none is set.
std::string UserTimeLocale();

} // namespace lindrel
