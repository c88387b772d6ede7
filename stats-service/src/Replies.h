#pragma once

#include "Config.h"
#include "Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The reply texts of the service, built from its configuration and what it knows of the
// game servers. Lines end with LF; fields are URL-encoded where the monitor decodes them.
namespace lindrel::stats {

// "a=1&b=2" as key and value pairs, in order; a part without "=" has an empty value.
std::vector<std::pair<std::string_view, std::string_view>> ParseQuery(std::string_view query);

// The wanted player names of an "s=" list: decoded, colour codes removed, empty ones and
// ones that fail to decode dropped, at most kMaxWanted.
inline constexpr std::size_t kMaxWanted = 16;
std::vector<std::string> ParseWanted(std::string_view list);

// Players of a server whose name holds a wanted name, ignoring letter case; sorted.
std::vector<std::string> MatchWanted(const GameServer& server,
                                     const std::vector<std::string>& wanted);

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

// "d=ids&t=markers&s=wanted": a line per distinct known id, in request order.
inline constexpr std::size_t kMaxRequestedIds = 64;
std::string StatusReply(const Registry& registry, std::string_view ids, std::string_view markers,
                        std::string_view wanted);

// "p2=id&s=wanted": the server line, "Players:" and the count, then a name line and a
// "score,ping,0,0,0,match" line per player. Empty for an unknown id.
std::string PlayersReply(const Registry& registry, std::string_view id, std::string_view wanted);

} // namespace lindrel::stats
