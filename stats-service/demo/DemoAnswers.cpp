#include "demo/DemoAnswers.h"

#include "protocols/A2sProtocol.h"
#include "protocols/BedrockProtocol.h"
#include "protocols/Cube2Protocol.h"
#include "protocols/MinecraftProtocol.h"
#include "protocols/MumbleProtocol.h"
#include "protocols/OpenttdProtocol.h"
#include "protocols/Q3Protocol.h"
#include "protocols/TeeworldsProtocol.h"

namespace lindrel::stats {

namespace {

const std::string kOutOfBand(4, '\xff');

// The info a server browser asks for: the challenge comes back, as real servers do.
std::string Q3Info(std::string_view request, const StatusInfo& status) {
    std::string packet = kOutOfBand + "infoResponse\n";
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"challenge", QueryArgument(request, "getinfo")},
             {"protocol", "71"},
             {"hostname", status.hostname},
             {"mapname", status.map},
             {"clients", std::to_string(status.players.size())},
             {"sv_maxclients", std::to_string(status.maxClients)},
             {"gametype", "0"},
             {"gamename", "baseoa"}}) {
        packet += '\\';
        packet += key;
        packet += '\\';
        packet += value;
    }
    return packet;
}

std::vector<std::string> Q3Answer(std::string_view request, const StatusInfo& status, DemoA2s&) {
    if (request.starts_with(kOutOfBand + "getinfo")) {
        return {Q3Info(request, status)};
    }
    if (!request.starts_with(kOutOfBand + "getstatus")) {
        return {};
    }
    return {BuildStatusResponse({{"sv_hostname", status.hostname},
                                 {"mapname", status.map},
                                 {"sv_maxclients", std::to_string(status.maxClients)},
                                 {"g_gametype", "0"},
                                 {"gamename", "baseoa"},
                                 {"challenge", QueryArgument(request, "getstatus")}},
                                status.players)};
}

std::vector<std::string> A2sAnswer(std::string_view request, const StatusInfo& status,
                                   DemoA2s& a2s) {
    const std::string info = BuildA2sInfoRequest(std::nullopt);
    std::string reply;
    if (request.starts_with(info)) {
        reply = request.substr(info.size()) == a2s.challenge ? BuildA2sInfo(status)
                                                             : BuildA2sChallenge(a2s.challenge);
    } else if (request.starts_with(kOutOfBand + "U")) {
        reply = request.substr(5) == a2s.challenge ? BuildA2sPlayers(status.players)
                                                   : BuildA2sChallenge(a2s.challenge);
    } else if (request.starts_with(kOutOfBand + "V")) {
        // The rules, which query tools ask for too: one rule.
        reply = request.substr(5) == a2s.challenge
                    ? kOutOfBand + std::string("E\x01\x00mp_timelimit\x00"
                                               "30\x00",
                                               19)
                    : BuildA2sChallenge(a2s.challenge);
    } else {
        return {};
    }
    std::vector<std::string> packets;
    if (reply.size() <= a2s.splitBytes) {
        packets.push_back(std::move(reply));
    } else {
        packets = SplitA2sReply(reply, a2s.nextSplitId++, a2s.splitBytes);
    }
    if (a2s.garbage) {
        // Junk after the reply's first packet, between the parts of a split one.
        packets.insert(packets.begin() + 1, std::string("\x01\x02garbage", 9));
    }
    return packets;
}

std::vector<std::string> TeeworldsAnswer(std::string_view request, const StatusInfo& status,
                                         DemoA2s&) {
    const std::string head = BuildTeeworldsRequest(0);
    if (request.size() != head.size() ||
        request.substr(0, head.size() - 1) != std::string_view(head).substr(0, head.size() - 1)) {
        return {};
    }
    return {BuildTeeworldsInfo(static_cast<std::uint8_t>(request.back()), status)};
}

std::vector<std::string> Cube2Answer(std::string_view request, const StatusInfo& status, DemoA2s&) {
    if (request.empty()) {
        return {};
    }
    if (request.front() != '\0') {
        return {BuildCube2Info(request, status)};
    }
    return request.starts_with(std::string_view("\x00\x01\xff", 3))
               ? BuildCube2Players(request, status)
               : std::vector<std::string>{};
}

std::vector<std::string> OneOrNone(std::string packet) {
    return packet.empty() ? std::vector<std::string>{}
                          : std::vector<std::string>{std::move(packet)};
}

std::vector<std::string> MumbleAnswer(std::string_view request, const StatusInfo& status,
                                      DemoA2s&) {
    return OneOrNone(BuildMumblePong(request, status));
}

std::vector<std::string> BedrockAnswer(std::string_view request, const StatusInfo& status,
                                       DemoA2s&) {
    return OneOrNone(BuildBedrockPong(request, status));
}

std::vector<std::string> OpenttdAnswer(std::string_view request, const StatusInfo& status,
                                       DemoA2s&) {
    return OneOrNone(request == BuildOpenttdRequest() ? BuildOpenttdGameInfo(status, 256, 256)
                                                      : std::string());
}

// A handshake that asks for the status, then the status request.
std::vector<std::string> MinecraftAnswer(std::string_view request, const StatusInfo& status,
                                         DemoA2s&) {
    return OneOrNone(request.ends_with(std::string_view("\x01\x01\x00", 3))
                         ? BuildMinecraftStatusPacket(status)
                         : std::string());
}

} // namespace

const DemoProtocol* FindDemoProtocol(const QueryDriver& driver) {
    static const std::vector<std::pair<const QueryDriver*, DemoProtocol>> kAnswers = {
        {&Q3Driver(), {true, Q3Answer}},
        {&A2sDriver(), {false, A2sAnswer}},
        {&TeeworldsDriver(), {false, TeeworldsAnswer}},
        {&Cube2Driver(), {false, Cube2Answer}},
        {&OpenttdDriver(), {false, OpenttdAnswer}},
        {&MumbleDriver(), {false, MumbleAnswer}},
        {&MinecraftDriver(), {false, MinecraftAnswer}},
        {&BedrockDriver(), {false, BedrockAnswer}},
    };
    for (const auto& [known, protocol] : kAnswers) {
        if (known == &driver) {
            return &protocol;
        }
    }
    return nullptr;
}

} // namespace lindrel::stats
