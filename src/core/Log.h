#pragma once

#include <ctime>
#include <exception>
#include <string>
#include <string_view>

namespace lindrel {

struct AppState;

// Appends "[date][time] message" and CR LF to "lindrellog.log" in the program's folder.
// The category (0 for start and end, 4 for the rest) is part of every call but is not
// written. A failure to write loses the entry silently.
void WriteLog(const AppState& state, std::string_view message, int category);

// The line a local error handler writes for a failure: operation + "_Error [" + number
// + "] " + text. The number is the error code of a system error, else the classic one
// for the kind of failure (7 out of memory, 9 out of range, 5 any other).
std::string HandlerLogLine(std::string_view operation, const std::exception& failure);

// The "[date][time] " prefix for a moment, in the short-date and long-time forms of the
// named LC_TIME locale. Without a locale, or for "C", "POSIX" and US English, the form is
// that of a US English desktop: "[12/7/2026][8:35:07 AM] ".
std::string FormatLogStamp(const std::tm& when, const std::string& localeName);

} // namespace lindrel
