#pragma once

#include "config/Config.h"
#include "http/Query.h"
#include "watch/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The reply texts of the service, built from its configuration and what it knows of the
// game servers. Lines end with LF; fields are URL-encoded where the monitor decodes them.
namespace lindrel::stats {

// The wanted player names of an "s=" list: decoded, colour codes removed, spaces trimmed;
// ones shorter than kMinWantedBytes (they would match nearly everyone) and ones that fail
// to decode dropped, at most kMaxWanted.
inline constexpr std::size_t kMaxWanted = 16;
inline constexpr std::size_t kMinWantedBytes = 2;
std::vector<std::string> ParseWanted(std::string_view list);

// Players of a server whose name holds a wanted name, ignoring letter case; sorted. Each
// name compared with a wanted name takes one from checksLeft; when none is left, the
// players not yet compared count as not wanted.
std::vector<std::string> MatchWanted(const GameServer& server,
                                     const std::vector<std::string>& wanted,
                                     std::size_t& checksLeft);
std::vector<std::string> MatchWanted(const GameServer& server,
                                     const std::vector<std::string>& wanted);
// The comparisons one reply may make: well above what a monitor's poll needs (5 servers
// of 256 players, 3 wanted names), a sixteenth of what the largest request could ask.
inline constexpr std::size_t kMaxMatchChecks = 16384;

// The find marker for a set of matched players: 0 for none, else a digest in 1 to 2^31-1.
std::int32_t FindMarker(const std::vector<std::string>& matched);

// "f=3": five lines, id|name|||||gametype||address|port, no final LF.
std::string DirectoryReply(const Config& config);
// "f=1": uid,name,mod,rcon,password per line, each ended by LF.
std::string GameTypesReply(const Config& config);
// "f=2": version, FTP account, then folder,file lines, each ended by LF.
std::string UpdateReply(const Config& config);

// One status line for a server, given the marker the monitor sent back for it.
std::string StatusLine(const GameServer& server, const std::vector<std::string>& wanted,
                       std::int32_t sentMarker);

// "d=ids&t=markers&s=wanted": a line per distinct known id, in request order. The reply
// stays within kMaxStatusReplyBytes: found players' names that do not fit are left out,
// whole names at a time (the count and the marker still cover them all).
inline constexpr std::size_t kMaxRequestedIds = 64;
inline constexpr std::size_t kMaxStatusReplyBytes = 65536;
std::string StatusReply(const Registry& registry, std::string_view ids, std::string_view markers,
                        std::string_view wanted);

// "r=host:port,gametype": "id|name" of the server found, else "NO SERVER FOUND".
std::string LookupReply(const GameServer* found);

// "p2=id&s=wanted": the server line, "Players:" and the count, then a name line and a
// "score,ping,0,0,0,match" line per player. Empty for an unknown id. A name line always
// reads as a name: one that would be blank says kNoName, and one that could pass for the
// count line gets a leading "_".
inline constexpr std::string_view kNoName = "(no name)";
std::string PlayersReply(const Registry& registry, std::string_view id, std::string_view wanted);

} // namespace lindrel::stats
