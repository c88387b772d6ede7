#include "core/Log.h"

#include "core/AppState.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <locale.h>
#include <new>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

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

// strftime_l with the locale's own date (%x) and time (%X) representations.
std::string LocaleStamp(const std::tm& when, locale_t locale) {
    char date[128];
    char time[128];
    if (strftime_l(date, sizeof date, "%x", &when, locale) == 0 ||
        strftime_l(time, sizeof time, "%X", &when, locale) == 0) {
        return UsEnglishStamp(when);
    }
    return std::string("[") + date + "][" + time + "] ";
}

} // namespace

std::string UserTimeLocale() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

std::string FormatLogStamp(const std::tm& when, const std::string& localeName) {
    if (UsesUsEnglishForm(localeName)) {
        return UsEnglishStamp(when);
    }
    const locale_t locale = newlocale(LC_TIME_MASK, localeName.c_str(), locale_t{});
    if (locale == locale_t{}) {
        return UsEnglishStamp(when);
    }
    std::string stamp = LocaleStamp(when, locale);
    freelocale(locale);
    return stamp;
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
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);

    std::string line = FormatLogStamp(local, UserTimeLocale());
    line += message;
    line += "\r\n";

    const std::string path = state.AppFile("lindrellog.log");
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return;
    }
    // One write call per entry, so entries of two processes never interleave mid-line.
    const ssize_t written = ::write(fd, line.data(), line.size());
    static_cast<void>(written);
    ::close(fd);
}

} // namespace lindrel
