#include "platform/Platform.h"

#include <chrono>
#include <cstdlib>
#include <locale.h>

namespace lindrel::platform {

std::tm LocalTimeNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string UserTimeLocale() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

std::optional<std::string> FormatTimeInLocale(const std::tm& when, const std::string& localeName,
                                              const char* format) {
    const locale_t locale = newlocale(LC_TIME_MASK, localeName.c_str(), locale_t{});
    if (locale == locale_t{}) {
        return std::nullopt;
    }
    char text[128];
    const std::size_t length = strftime_l(text, sizeof text, format, &when, locale);
    freelocale(locale);
    if (length == 0) {
        return std::nullopt;
    }
    return std::string(text, length);
}

} // namespace lindrel::platform
