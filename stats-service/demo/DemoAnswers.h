#pragma once

#include "protocols/GameStatus.h"
#include "protocols/QueryDriver.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How a demo server answers a request in each protocol, as the real servers do: the
// Quake III challenge and the Teeworlds token come back, Cube 2 echoes the request, and
// A2S demands its challenge and splits long replies; Mumble and Bedrock echo their ident
// and time; OpenTTD and Minecraft answer a whole request over TCP.
namespace lindrel::stats {

struct DemoA2s {
    std::string challenge = "\x5a\x17\xc3\x09";
    std::size_t splitBytes = 1200; // replies longer than this go in parts
    bool garbage = false;          // stray packets before every reply
    std::uint32_t nextSplitId = 1;
};

// One protocol's demo answers.
struct DemoProtocol {
    // Names keep their Quake III colour codes, as that protocol's servers send them; the
    // other protocols' demo servers send them plain.
    bool colourCodes = false;
    // The packets that answer `request` (over TCP, the reply to a whole request: at most
    // one); none when it is not a query of this protocol.
    std::vector<std::string> (*answer)(std::string_view request, const StatusInfo& status,
                                       DemoA2s& a2s) = nullptr;
};

// The demo answers of a driver; null for a driver that has none.
const DemoProtocol* FindDemoProtocol(const QueryDriver& driver);

} // namespace lindrel::stats
