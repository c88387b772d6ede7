#include "platform/Platform.h"
#include "platform/win32/Wide.h"

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <windows.h>

namespace lindrel::platform {

std::tm LocalTimeNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

// The user's locale as Windows names it ("de-DE"); LC_ALL, LC_TIME and LANG, which a
// user may set for a program, come first, as elsewhere.
std::string UserTimeLocale() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) <= 0) {
        return {};
    }
    return win32::Narrow(name);
}

// The locale's short date ("%x") and its time ("%X"), as the system's own settings write
// them; other formats are not known here.
std::optional<std::string> FormatTimeInLocale(const std::tm& when, const std::string& localeName,
                                              const char* format) {
    const std::string_view wanted = format;
    if (wanted != "%x" && wanted != "%X") {
        return std::nullopt;
    }
    // POSIX names ("de_DE.UTF-8") are given as Windows names ("de-DE").
    std::string name = localeName.substr(0, localeName.find_first_of(".@"));
    for (char& c : name) {
        c = c == '_' ? '-' : c;
    }
    const std::wstring locale = win32::Widen(name);
    if (::IsValidLocaleName(locale.c_str()) == FALSE) {
        return std::nullopt;
    }
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(when.tm_year + 1900);
    time.wMonth = static_cast<WORD>(when.tm_mon + 1);
    time.wDay = static_cast<WORD>(when.tm_mday);
    time.wDayOfWeek = static_cast<WORD>(when.tm_wday);
    time.wHour = static_cast<WORD>(when.tm_hour);
    time.wMinute = static_cast<WORD>(when.tm_min);
    time.wSecond = static_cast<WORD>(when.tm_sec);
    wchar_t text[128] = {};
    const int length =
        wanted == "%x"
            ? ::GetDateFormatEx(locale.c_str(), DATE_SHORTDATE, &time, nullptr, text, 128, nullptr)
            : ::GetTimeFormatEx(locale.c_str(), 0, &time, nullptr, text, 128);
    if (length <= 1) {
        return std::nullopt;
    }
    return win32::Narrow(text);
}

} // namespace lindrel::platform
