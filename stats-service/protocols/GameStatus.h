#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What a game server said of itself, whatever protocol it said it in.
namespace lindrel::stats {

struct PlayerInfo {
    std::string name; // colour codes and control characters removed
    int score = 0;
    int ping = 0;
    bool operator==(const PlayerInfo&) const = default;
};

struct StatusInfo {
    std::string hostname; // colour codes and control characters removed
    std::string map;
    int maxClients = 0;
    std::vector<PlayerInfo> players;
    // Players online as the server counts them, where that differs from the list: a server
    // may list fewer than it has, or none at all.
    int online = 0;
    std::string challenge; // as echoed; the service checks it against the one it sent
};

// Bounds that keep a hostile reply from growing the service's memory.
inline constexpr std::size_t kMaxPacketBytes = 16384;
inline constexpr std::size_t kMaxPlayers = 256;
inline constexpr std::size_t kMaxNameBytes = 64;
inline constexpr std::size_t kMaxMapBytes = 64;
inline constexpr int kMaxOnline = 100'000;

// The players counted online: the server's own count, or the list when that is longer.
int OnlineCount(const StatusInfo& status);

// Control characters removed (C0, DEL, and C1 in UTF-8), cut to at most maxBytes: before a
// character when the text is valid UTF-8, else at a byte.
std::string WithoutControls(std::string_view text, std::size_t maxBytes);

// Removes Quake III's colour codes, which its followers (DarkPlaces' "^xRGB" too) share:
// "^" followed by any character but "^" (and not at the end) goes, with that character.
std::string StripColours(std::string_view text);

// A name as it may stand on a line: colours and control characters removed, cut to
// kMaxNameBytes.
std::string CleanName(std::string_view text);

} // namespace lindrel::stats
