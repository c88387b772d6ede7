#include "DemoAnswers.h"

#include "A2sProtocol.h"
#include "BedrockProtocol.h"
#include "Cube2Protocol.h"
#include "MinecraftProtocol.h"
#include "MumbleProtocol.h"
#include "OpenttdProtocol.h"
#include "Q3Protocol.h"
#include "TeeworldsProtocol.h"

namespace lindrel::stats {

namespace {

const std::string kOutOfBand(4, '\xff');

std::vector<std::string> Q3Answer(std::string_view request, const StatusInfo& status) {
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

std::vector<std::string> TeeworldsAnswer(std::string_view request, const StatusInfo& status) {
    const std::string head = BuildTeeworldsRequest(0);
    if (request.size() != head.size() ||
        request.substr(0, head.size() - 1) != std::string_view(head).substr(0, head.size() - 1)) {
        return {};
    }
    return {BuildTeeworldsInfo(static_cast<std::uint8_t>(request.back()), status)};
}

std::vector<std::string> Cube2Answer(std::string_view request, const StatusInfo& status) {
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

} // namespace

std::vector<std::string> DemoAnswer(std::string_view protocol, std::string_view request,
                                    const StatusInfo& status, DemoA2s& a2s) {
    if (protocol == "a2s") {
        return A2sAnswer(request, status, a2s);
    }
    if (protocol == "teeworlds") {
        return TeeworldsAnswer(request, status);
    }
    if (protocol == "cube2") {
        return Cube2Answer(request, status);
    }
    if (protocol == "mumble" || protocol == "bedrock") {
        auto pong = protocol == "mumble" ? BuildMumblePong(request, status)
                                         : BuildBedrockPong(request, status);
        return pong.empty() ? std::vector<std::string>{} : std::vector<std::string>{pong};
    }
    return Q3Answer(request, status);
}

std::string DemoTcpAnswer(std::string_view protocol, std::string_view request,
                          const StatusInfo& status) {
    if (protocol == "openttd") {
        return request == BuildOpenttdRequest() ? BuildOpenttdGameInfo(status, 256, 256)
                                                : std::string();
    }
    // Minecraft: a handshake that asks for the status, then the status request.
    return request.ends_with(std::string_view("\x01\x01\x00", 3))
               ? BuildMinecraftStatusPacket(status)
               : std::string();
}

} // namespace lindrel::stats
