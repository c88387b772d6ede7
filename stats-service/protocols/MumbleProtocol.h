#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Mumble's UDP ping, on the voice port: twelve bytes (a zero and an eight-byte ident),
// answered by twenty-four: the version, the ident echoed, users online, the user limit and
// the bandwidth, big-endian. It names no server and no map: the configured name shows,
// and the version stands where a map would.
namespace lindrel::stats {

std::string BuildMumblePing(std::uint64_t ident);
// The echoed ident, in decimal, is in `challenge`.
std::optional<StatusInfo> ParseMumblePong(std::string_view packet);
// What a server sends, for the demo servers and tests.
std::string BuildMumblePong(std::string_view ping, const StatusInfo& status);

} // namespace lindrel::stats
