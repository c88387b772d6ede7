#pragma once

#include "GameStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The server-info query of Teeworlds 0.6 and DDNet over UDP: "gie3" with a one-byte token,
// answered by "inf3" with the token, the server's fields and five fields per client.
namespace lindrel::stats {

std::string BuildTeeworldsRequest(std::uint8_t token);

// Parses an "inf3" reply; the echoed token, in decimal as sent, is in `challenge`. Empty
// for anything else or a packet over kMaxPacketBytes. Teeworlds names carry no colour
// codes: only control characters are removed.
std::optional<StatusInfo> ParseTeeworldsInfo(std::string_view packet);

// An "inf3" reply as a server sends it, for the demo servers and tests.
std::string BuildTeeworldsInfo(std::uint8_t token, const StatusInfo& status);

} // namespace lindrel::stats
