#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Cube 2 games (Sauerbraten, Red Eclipse) on their query port, the game port + 1. A server
// answers a request by echoing all of its bytes, then the reply; each game orders the
// reply's attributes its own way, told apart by the protocol number that leads them. A first number
// other than 0 asks for the basic info; 0, 1, -1 ask for extinfo's player stats, answered by one
// packet with the clients' numbers and then one packet per client.
namespace lindrel::stats {

// Cube 2's compact numbers and strings.
class CubeReader {
public:
    explicit CubeReader(std::string_view data) : data_(data) {}
    std::optional<int> Int();
    // Characters up to the ending 0, at most maxBytes kept.
    std::optional<std::string> String(std::size_t maxBytes);
    std::size_t remaining() const { return data_.size(); }

private:
    std::string_view data_;
};
void PutCubeInt(std::string& out, int value);
void PutCubeString(std::string& out, std::string_view text);

// Removes Cube 2's colour codes ("\f" and a character; "\f[...]" and "\f(...)") and control
// characters, cut to kMaxNameBytes.
std::string CleanCubeText(std::string_view text);

std::string BuildCube2InfoRequest(std::string_view token);
std::string BuildCube2PlayersRequest(std::string_view token);

// The basic info after the echoed request: name, map, clients online and the limit.
std::optional<StatusInfo> ParseCube2Info(std::string_view reply);

// One extinfo packet after the echoed request: the clients' numbers, or one client.
struct Cube2PlayerPacket {
    std::vector<int> clientNumbers;                   // from the numbers packet
    std::optional<std::pair<int, PlayerInfo>> player; // from a client's packet
};
std::optional<Cube2PlayerPacket> ParseCube2Players(std::string_view reply);

// What a server sends, for the demo servers and tests: the reply to an info request, and
// the packets that answer a players request.
std::string BuildCube2Info(std::string_view request, const StatusInfo& status);
std::vector<std::string> BuildCube2Players(std::string_view request, const StatusInfo& status);

} // namespace lindrel::stats
