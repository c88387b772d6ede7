#pragma once

#include "GameStatus.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How a demo server answers a request in each UDP protocol, as the real servers do: the
// Quake III challenge and the Teeworlds token come back, Cube 2 echoes the request, and
// A2S demands its challenge and splits long replies; Mumble and Bedrock echo their ident
// and time; OpenTTD and Minecraft answer over TCP.
namespace lindrel::stats {

struct DemoA2s {
    std::string challenge = "\x5a\x17\xc3\x09";
    std::size_t splitBytes = 1200; // replies longer than this go in parts
    bool garbage = false;          // stray packets before every reply
    std::uint32_t nextSplitId = 1;
};

// The packets that answer `request`, none when it is not a query of that protocol.
std::vector<std::string> DemoAnswer(std::string_view protocol, std::string_view request,
                                    const StatusInfo& status, DemoA2s& a2s);

// Over TCP (OpenTTD, Minecraft): the reply to a whole request, empty when it is none.
std::string DemoTcpAnswer(std::string_view protocol, std::string_view request,
                          const StatusInfo& status);

} // namespace lindrel::stats
