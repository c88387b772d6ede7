#pragma once

#include "protocols/GameStatus.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Quake III "getstatus" query as game servers answer it over UDP: Quake III Arena,
// ioquake3, OpenArena and the DarkPlaces family.
namespace lindrel::stats {

// Out-of-band packets start with four 0xFF bytes. Servers echo the query's argument as
// "challenge" in the reply's info string, so a reply can be tied to the query it answers.
std::string BuildGetStatusRequest(std::string_view challenge);

// The argument of a "getstatus" or "getinfo" query as a server reads it: the text after
// the command, blanks and the line end removed, cut to kMaxChallengeBytes.
inline constexpr std::size_t kMaxChallengeBytes = 128;
std::string QueryArgument(std::string_view query, std::string_view command);

// Parses a statusResponse packet. Empty for anything that is not one: a wrong header,
// a missing info string, no map name, or a packet over kMaxPacketBytes. Player lines
// that do not read as `score ping "name"` are skipped; names and hostnames lose their
// colour codes and every control character and are cut to kMaxNameBytes.
std::optional<StatusInfo> ParseStatusResponse(std::string_view packet);

// A statusResponse packet as a game server sends it, for the demo servers and tests.
std::string BuildStatusResponse(const std::vector<std::pair<std::string, std::string>>& info,
                                const std::vector<PlayerInfo>& players);

} // namespace lindrel::stats
