#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lindrel {

struct AppState;

inline constexpr const char* kDefaultExePath = "C:\\Program Files\\Quake III Arena\\quake3.exe";

// LookupServer's results besides a server number.
inline constexpr std::int32_t kLookupNoReply = 0;
inline constexpr std::int32_t kLookupNotFound = -2;
inline constexpr std::int32_t kLookupMalformed = -3;

// Sets the GlobalData defaults, clears every slot's DownAlerted, and fills DefaultServers
// from the service's directory ("f=3"), or from the built-in entries when it gives no reply.
void LoadServerDirectory(AppState& state);

// Replaces GameTypes with the service's game-type list ("f=1").
void LoadGameTypes(AppState& state);

// Asks the service for the number of the server at address:port ("r="). Returns it, or
// kLookupNoReply, kLookupNotFound or kLookupMalformed. name receives the server's name
// from a good reply and is left alone otherwise.
std::int32_t LookupServer(const AppState& state, const std::string& address,
                          const std::string& port, std::int32_t gameType, std::string& name);

// The reply halves of the three queries.
void ApplyServerDirectory(AppState& state, std::string_view reply);
void ApplyGameTypes(AppState& state, std::string_view reply);
std::int32_t ParseLookupReply(std::string_view reply, std::string& name);

// The five entries used when the directory gives no reply.
void WriteBuiltInServers(AppState& state);

} // namespace lindrel
