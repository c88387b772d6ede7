// A configuration file of any bytes: it loads or is refused with a message, never more;
// what loads holds only bounded numbers and texts without NUL or line breaks.
#include "config/ConfigFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    std::string error;
    const auto config =
        ParseConfig(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", error);
    if (!config) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    const auto plain = [](const std::string& text) {
        return text.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos;
    };
    if (config->poll.refreshInterval.count() < 10 ||
        config->poll.refreshInterval.count() > 3'600'000 || config->poll.queryTimeout.count() < 1 ||
        config->poll.queryTimeout.count() > 60'000 || config->directory.size() != 5 ||
        config->update.ftpPort < 1 || config->update.ftpPort > 65535 ||
        !plain(config->update.version)) {
        std::abort();
    }
    for (const auto* list : {&config->directory, &config->servers}) {
        for (const auto& server : *list) {
            if (server.id <= 0 || server.port == 0 || !plain(server.name) ||
                !IsValidHost(server.address)) {
                std::abort();
            }
        }
    }
    return 0;
}
