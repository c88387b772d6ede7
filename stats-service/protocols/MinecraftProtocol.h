#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Minecraft, Java Edition: the Server List Ping over TCP. A handshake that asks for the
// status, then the status request; the server answers one packet holding JSON: the
// description (a text or text components, with "§" colour codes), the players online,
// the limit and a sample of names, and the version. Packets are a VarInt length and a
// VarInt id.
namespace lindrel::stats {

// A reply is refused past this length: the JSON carries the server's icon, 64 x 64 in
// PNG and Base64, which stays well below.
inline constexpr std::size_t kMaxMinecraftReplyBytes = 65536;

void PutVarInt(std::string& out, std::int32_t value);
// Reads a VarInt at the front of bytes: the value and how many bytes it took; empty while
// it is incomplete or when it runs over five bytes (`overlong` then says so).
std::optional<std::pair<std::int32_t, std::size_t>> ReadVarInt(std::string_view bytes,
                                                               bool& overlong);

// The handshake (for host:port, asking for the status) and the status request, in one.
std::string BuildMinecraftRequest(std::string_view host, std::uint16_t port);

// Reads the status JSON's text. The version's name stands where a map would.
std::optional<StatusInfo> ParseMinecraftStatus(std::string_view json);
// The status's JSON and the packet that carries it, as a server sends them (demo, tests).
std::string BuildMinecraftStatusJson(const StatusInfo& status);
std::string BuildMinecraftStatusPacket(const StatusInfo& status);

// Removes "§" and the character after it, Minecraft's colour and format codes.
std::string WithoutSectionCodes(std::string_view text);

} // namespace lindrel::stats
