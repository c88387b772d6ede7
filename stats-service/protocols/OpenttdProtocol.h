#pragma once

#include "protocols/GameStatus.h"

#include <optional>
#include <string>
#include <string_view>

// OpenTTD's game info over TCP (OpenTTD 12 and later, on the game port): the client sends
// PACKET_CLIENT_GAME_INFO, the server answers PACKET_SERVER_GAME_INFO and closes. Packets
// are a two-byte little-endian size (counting itself), a type byte and the payload.
namespace lindrel::stats {

std::string BuildOpenttdRequest();

// The packet's whole size once its size field has arrived, so a reader knows how much
// to wait for; empty before, or for a size below a header's or above the bound.
std::optional<std::size_t> OpenttdPacketSize(std::string_view bytes);

// A whole SERVER_GAME_INFO packet of game-info versions 6 or 7. The map field reads the
// map's size ("256x256"), as the info has no map name; the count online is the clients
// connected, and no player list comes with it.
std::optional<StatusInfo> ParseOpenttdGameInfo(std::string_view packet);

// A SERVER_GAME_INFO packet of version 6 as a server sends it, for the demo servers.
std::string BuildOpenttdGameInfo(const StatusInfo& status, int mapWidth, int mapHeight);

} // namespace lindrel::stats
