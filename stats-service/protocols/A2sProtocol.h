#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Valve's A2S queries over UDP, as Source and GoldSrc servers answer them: A2S_INFO for
// the server and A2S_PLAYER for the player list. A server may first answer either with an
// S2C_CHALLENGE, to be sent back with the query, and may split a long reply over packets.
namespace lindrel::stats {

using A2sChallenge = std::string; // four bytes

std::string BuildA2sInfoRequest(const std::optional<A2sChallenge>& challenge);
std::string BuildA2sPlayerRequest(const std::optional<A2sChallenge>& challenge);

// A whole reply's parts, as a server splits them (Source's header).
std::vector<std::string> SplitA2sReply(std::string_view reply, std::uint32_t id,
                                       std::size_t partBytes);

// Puts split replies back together. Parts are kept for a bounded number of replies, each
// of a bounded count and size; compressed replies are refused.
class A2sAssembler {
public:
    // A whole reply (starting with four 0xFF bytes) once it is complete; empty while parts
    // are missing or for a packet that is neither whole nor a part. `taken` says whether
    // the packet was a well-formed part or a whole reply.
    std::optional<std::string> Add(std::string_view packet, bool& taken);

private:
    std::map<std::uint32_t, std::vector<std::string>> parts_; // by reply id
};

// The payloads of whole replies, after their four 0xFF bytes and the type byte.
std::optional<A2sChallenge> ParseA2sChallenge(std::string_view reply);
std::optional<StatusInfo> ParseA2sInfo(std::string_view reply); // Source 'I' or GoldSrc 'm'
std::optional<std::vector<PlayerInfo>> ParseA2sPlayers(std::string_view reply);

// Whole replies as a server sends them, for the demo servers and tests.
std::string BuildA2sChallenge(const A2sChallenge& challenge);
std::string BuildA2sInfo(const StatusInfo& status);
std::string BuildA2sPlayers(const std::vector<PlayerInfo>& players);

} // namespace lindrel::stats
