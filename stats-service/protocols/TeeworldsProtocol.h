#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The server-info query of Teeworlds and DDNet over UDP. 0.6 and DDNet: "gie3" with a
// one-byte token, answered by "inf3" with the token, the server's fields and five fields per
// client. 0.7 answers only a request that carries its own token, fetched first with a
// token request; the request and its reply carry both sides' tokens in their header, and
// the reply packs its numbers as 0.7's variable-length integers.
namespace lindrel::stats {

std::string BuildTeeworldsRequest(std::uint8_t token);

// Parses an "inf3" reply; the echoed token, in decimal as sent, is in `challenge`. Empty
// for anything else or a packet over kMaxPacketBytes. Teeworlds names carry no colour
// codes: only control characters are removed.
std::optional<StatusInfo> ParseTeeworldsInfo(std::string_view packet);

// An "inf3" reply as a server sends it, for the demo servers and tests.
std::string BuildTeeworldsInfo(std::uint8_t token, const StatusInfo& status);

// 0.7's tokens are four bytes, used as they come.
inline constexpr std::size_t kTeeworlds7TokenBytes = 4;

// Asks for the server's token, telling it ours; padded as 0.7 demands of a token request.
std::string BuildTeeworlds7TokenRequest(std::string_view ourToken);
// The server's token from its answer, when the answer is addressed to ourToken.
std::optional<std::string> ParseTeeworlds7Token(std::string_view packet, std::string_view ourToken);
std::string BuildTeeworlds7InfoRequest(std::string_view serverToken, std::string_view ourToken,
                                       std::uint32_t infoToken);
// Parses a 0.7 info reply; `challenge` holds the header's token (four bytes) and then the
// echoed info token in decimal. Empty for anything else or a packet over kMaxPacketBytes.
std::optional<StatusInfo> ParseTeeworlds7Info(std::string_view packet);

// What a 0.7 server sends, for tests: its answer to a token request, and its info reply.
std::string BuildTeeworlds7Token(std::string_view ourToken, std::string_view serverToken);
std::string BuildTeeworlds7Info(std::string_view ourToken, std::string_view serverToken,
                                std::uint32_t infoToken, const StatusInfo& status);

} // namespace lindrel::stats
