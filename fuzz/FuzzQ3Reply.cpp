// A UDP reply of any bytes: a parsed status has a map, bounded names without line
// breaks, and a bounded player list.
#include "protocols/Q3Protocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const auto status =
        ParseStatusResponse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!status) {
        return 0;
    }
    if (status->map.empty() || status->map.size() > kMaxMapBytes ||
        status->hostname.size() > kMaxNameBytes || status->players.size() > kMaxPlayers) {
        std::abort();
    }
    for (const auto& player : status->players) {
        if (player.name.size() > kMaxNameBytes ||
            player.name.find_first_of("\r\n") != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
