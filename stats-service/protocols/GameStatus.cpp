#include "GameStatus.h"

#include <algorithm>

namespace lindrel::stats {

int OnlineCount(const StatusInfo& status) {
    return std::max(status.online, static_cast<int>(status.players.size()));
}

std::string WithoutControls(std::string_view text, std::size_t maxBytes) {
    std::string plain;
    plain.reserve(std::min(text.size(), maxBytes));
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            plain += c;
        }
        if (plain.size() == maxBytes) {
            break;
        }
    }
    return plain;
}

} // namespace lindrel::stats
