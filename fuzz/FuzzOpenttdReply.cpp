// An OpenTTD game-info packet of any bytes: a parsed one has a bounded name, a map size
// of two numbers, and counts a byte can hold.
#include "protocols/OpenttdProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const std::string_view packet(reinterpret_cast<const char*>(data), size);
    const auto status = ParseOpenttdGameInfo(packet);
    if (!status) {
        return 0;
    }
    if (status->hostname.size() > kMaxNameBytes || status->map.find('x') == std::string::npos ||
        status->map.size() > 11 || status->online > 255 || status->maxClients > 255 ||
        !status->players.empty() || OpenttdPacketSize(packet) != packet.size()) {
        std::abort();
    }
    return 0;
}
