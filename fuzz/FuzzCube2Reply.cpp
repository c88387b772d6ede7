// A Cube 2 reply after its echo, of any bytes, read both as basic info and as an extinfo
// packet: what parses keeps its bounds.
#include "protocols/Cube2Protocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    if (const auto status = ParseCube2Info(reply)) {
        if (status->hostname.size() > kMaxNameBytes || status->map.size() > kMaxMapBytes ||
            status->online < 0 || status->online > kMaxOnline || status->maxClients < 0 ||
            status->maxClients > kMaxOnline) {
            std::abort();
        }
    }
    if (const auto packet = ParseCube2Players(reply)) {
        if (packet->clientNumbers.size() > kMaxPlayers ||
            (packet->player && (packet->player->second.name.size() > kMaxNameBytes ||
                                packet->player->second.ping < 0))) {
            std::abort();
        }
    }
    return 0;
}
