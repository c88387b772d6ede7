#pragma once

#include "support/TempDir.h"

#include <regex>
#include <string>
#include <vector>

namespace lindrel::test {

// The messages of "lindrellog.log" in a folder, without their time stamps. An entry
// whose message holds a CR is not matched.
inline std::vector<std::string> LogMessages(const std::filesystem::path& folder) {
    const std::string log = ReadFile(folder / "lindrellog.log");
    std::vector<std::string> messages;
    const std::regex entry(R"(\[[^\]]*\]\[[^\]]*\] ([^\r]*)\r\n)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), entry);
         it != std::sregex_iterator(); ++it) {
        messages.push_back((*it)[1]);
    }
    return messages;
}

inline std::vector<std::string> LogMessages(const TempDir& dir) {
    return LogMessages(dir.path());
}

} // namespace lindrel::test
