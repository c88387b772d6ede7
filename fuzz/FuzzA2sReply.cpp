// A run of UDP packets from an A2S server, each prefixed by its length byte: whatever the
// parts, the assembler keeps its bounds and every reply it joins parses within them.
#include "protocols/A2sProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void CheckStatus(const lindrel::stats::StatusInfo& status) {
    using namespace lindrel::stats;
    if (status.hostname.size() > kMaxNameBytes || status.map.size() > kMaxMapBytes ||
        status.maxClients < 0 || status.maxClients > 255 || status.online > 255) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    A2sAssembler assembler;
    while (!input.empty()) {
        const auto length = static_cast<unsigned char>(input.front());
        input.remove_prefix(1);
        const auto packet = input.substr(0, length);
        input.remove_prefix(packet.size());
        bool taken = false;
        const auto reply = assembler.Add(packet, taken);
        if (!reply) {
            continue;
        }
        if (const auto info = ParseA2sInfo(*reply)) {
            CheckStatus(*info);
        }
        if (const auto players = ParseA2sPlayers(*reply)) {
            for (const auto& player : *players) {
                if (player.name.size() > kMaxNameBytes) {
                    std::abort();
                }
            }
            if (players->size() > kMaxPlayers) {
                std::abort();
            }
        }
        if (const auto challenge = ParseA2sChallenge(*reply); challenge && challenge->size() != 4) {
            std::abort();
        }
    }
    return 0;
}
