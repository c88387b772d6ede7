#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Minecraft, Bedrock Edition: RakNet's unconnected ping on UDP (id 1, a time value, RakNet's
// sixteen magic bytes, the client's id), answered by an unconnected pong (id 0x1C, the time
// value echoed, the server's id, the magic, then a length and the server's text:
// "MCPE;name;protocol;version;players;limit;server id;world;game mode;...").
namespace lindrel::stats {

std::string BuildBedrockPing(std::uint64_t time, std::uint64_t clientId);
// The echoed time value, in decimal, is in `challenge`; the world stands as the map.
std::optional<StatusInfo> ParseBedrockPong(std::string_view packet);
// What a server sends, for the demo servers and tests.
std::string BuildBedrockPong(std::string_view ping, const StatusInfo& status);

} // namespace lindrel::stats
