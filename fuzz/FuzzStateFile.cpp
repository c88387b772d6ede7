// The service's state file and a lookup's address, any bytes: loading keeps at most the
// limit of servers, each with a valid host and port, and saving then loading again gives
// the same text; an address splits into a valid host and a port from 1.
#include "config/Net.h"
#include "watch/Registry.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Registry registry;
    registry.LoadRegistered(text, 8, 1000);
    if (registry.RegisteredCount() > 8) {
        std::abort();
    }
    for (const auto& server : registry.servers()) {
        if (server.id <= 0 || server.port == 0 || !IsValidHost(server.host)) {
            std::abort();
        }
    }
    const std::string saved = registry.SerializeRegistered();
    Registry again;
    again.LoadRegistered(saved, 8, 1000);
    if (again.SerializeRegistered() != saved) {
        std::abort();
    }
    const auto line = text.substr(0, text.find('\n'));
    if (const auto at = SplitHostPort(line)) {
        if (at->port == 0 || !IsValidHost(at->host)) {
            std::abort();
        }
    }
    static_cast<void>(ParseNetwork(line));
    return 0;
}
