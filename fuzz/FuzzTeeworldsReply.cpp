// A Teeworlds or DDNet "inf3" reply of any bytes: a parsed one keeps its bounds and a
// token no longer than the protocol's.
#include "TeeworldsProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const auto status =
        ParseTeeworldsInfo(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!status) {
        return 0;
    }
    if (status->hostname.size() > kMaxNameBytes || status->map.size() > kMaxMapBytes ||
        status->players.size() > kMaxPlayers || status->challenge.size() > 8 ||
        status->online > kMaxOnline || status->maxClients > kMaxOnline) {
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
