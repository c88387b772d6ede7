#include "core/Log.h"

#include "core/AppState.h"
#include "platform/Platform.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <system_error>

namespace lindrel {

namespace {

bool UsesUsEnglishForm(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0 ||
           name.rfind("en_US", 0) == 0;
}

std::string UsEnglishStamp(const std::tm& when) {
    const int hour12 = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "[%d/%d/%d][%d:%02d:%02d %s] ", when.tm_mon + 1,
                  when.tm_mday, when.tm_year + 1900, hour12, when.tm_min, when.tm_sec,
                  when.tm_hour < 12 ? "AM" : "PM");
    return buffer;
}

} // namespace

std::string FormatLogStamp(const std::tm& when, const std::string& localeName) {
    if (UsesUsEnglishForm(localeName)) {
        return UsEnglishStamp(when);
    }
    // The locale's own date (%x) and time (%X) representations.
    const auto date = platform::FormatTimeInLocale(when, localeName, "%x");
    const auto time = platform::FormatTimeInLocale(when, localeName, "%X");
    if (!date || !time) {
        return UsEnglishStamp(when);
    }
    return "[" + *date + "][" + *time + "] ";
}

std::string HandlerLogLine(std::string_view operation, const std::exception& failure) {
    int number = 5;
    if (const auto* system = dynamic_cast<const std::system_error*>(&failure)) {
        number = system->code().value();
    } else if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        number = 7;
    } else if (dynamic_cast<const std::out_of_range*>(&failure) != nullptr) {
        number = 9;
    }
    return std::string(operation) + "_Error [" + std::to_string(number) + "] " + failure.what();
}

void WriteLog(const AppState& state, std::string_view message, int /*category*/) {
    // One clock reading for date and time, so an entry written at midnight cannot carry
    // the old day's date with the new day's time.
    std::string line = FormatLogStamp(platform::LocalTimeNow(), platform::UserTimeLocale());
    line += message;
    line += "\r\n";
    // One write per entry, so entries of two processes never interleave mid-line.
    static_cast<void>(platform::AppendToFile(state.AppFile("lindrellog.log"), line));
}

} // namespace lindrel
