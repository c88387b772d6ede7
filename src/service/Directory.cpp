#include "service/Directory.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "service/HttpFetch.h"

#include <array>

namespace lindrel {

namespace {

constexpr std::size_t kDirectoryLines = 5;
constexpr std::size_t kDirectoryFields = 10;
constexpr std::size_t kGameTypeFields = 5;
constexpr std::size_t kMinGameTypeLines = 3;

struct BuiltInServer {
    const char* name;
    const char* address;
    const char* statsId;
};

// Loopback addresses, where the bundled stats service's demo servers answer.
constexpr std::array<BuiltInServer, kSlotCount> kBuiltInServers = {{
    {"Quorvane Other", "127.0.0.1", "7"},
    {"Quorvane TS", "127.0.0.2", "4"},
    {"Quorvane CTF", "127.0.0.3", "8"},
    {"Quorvane Duel", "127.0.0.4", "6"},
    {"Quorvane Public", "127.0.0.5", "9"},
}};

void WriteSlot(AppState& state, int slot, std::string name, std::string address, std::string port,
               std::string statsId, std::string gameType) {
    ServerTable& servers = state.DefaultServers;
    servers(slot, ServerName) = std::move(name);
    servers(slot, ServerIP) = std::move(address);
    servers(slot, ServerPort) = std::move(port);
    servers(slot, RconPwd).clear();
    servers(slot, GamePwd).clear();
    servers(slot, PlayerConfig).clear();
    servers(slot, OtherCmds).clear();
    servers(slot, StatsID) = std::move(statsId);
    servers(slot, GameTypeID) = std::move(gameType);
    servers(slot, ExePath) = kDefaultExePath;
    servers(slot, DownNotify) = "1";
}

} // namespace

void WriteBuiltInServers(AppState& state) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const BuiltInServer& entry = kBuiltInServers[static_cast<std::size_t>(slot)];
        WriteSlot(state, slot, entry.name, entry.address, "27960", entry.statsId, "10");
    }
}

void LoadServerDirectory(AppState& state) {
    state.GlobalData.SetDefaults();
    for (auto& status : state.ServerStatus) {
        status.DownAlerted = "0";
    }
    ApplyServerDirectory(state, GetURL(state.StatsBaseURL + "f=3"));
}

void ApplyServerDirectory(AppState& state, std::string_view reply) {
    if (reply.empty()) {
        WriteBuiltInServers(state);
        return;
    }
    const auto lines = Split(reply, '\n');
    if (lines.size() != kDirectoryLines) {
        return;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto fields = Split(lines[static_cast<std::size_t>(slot)], '|');
        if (fields.size() < kDirectoryFields) {
            continue;
        }
        // A line with a field that fails to decode is treated as a short line: the slot
        // keeps what it had rather than taking half a server.
        auto statsId = URLDecode(fields[0]);
        auto name = URLDecode(fields[1]);
        auto gameType = URLDecode(fields[6]);
        auto address = URLDecode(fields[8]);
        auto port = URLDecode(fields[9]);
        if (!statsId || !name || !gameType || !address || !port) {
            continue;
        }
        WriteSlot(state, slot, std::move(*name), std::move(*address), std::move(*port),
                  std::move(*statsId), std::move(*gameType));
    }
}

void LoadGameTypes(AppState& state) {
    ApplyGameTypes(state, GetURL(state.StatsBaseURL + "f=1"));
}

void ApplyGameTypes(AppState& state, std::string_view reply) {
    state.GameTypes.Clear();
    if (reply.empty()) {
        return;
    }
    const auto lines = Split(reply, '\n');
    if (lines.size() < kMinGameTypeLines) {
        return;
    }
    for (const auto line : lines) {
        const auto fields = Split(line, ',');
        if (fields.size() < kGameTypeFields) {
            continue;
        }
        clsGameType type;
        type.SetUID(ReadWholeNumber(fields[0]));
        type.SetGameType(std::string(TrimSpaces(fields[1])));
        type.SetGameMOD(std::string(TrimSpaces(fields[2])));
        type.SetGameRCON(std::string(TrimSpaces(fields[3])));
        type.SetGamePassword(std::string(TrimSpaces(fields[4])));
        // A second line with a UID already listed is dropped; the first one stands.
        const std::string key = GameTypeCollection::KeyFor(type.UID());
        state.GameTypes.Add(key, std::move(type));
    }
}

std::int32_t LookupServer(const AppState& state, const std::string& address,
                          const std::string& port, std::int32_t gameType, std::string& name) {
    const std::string url = state.StatsBaseURL + "r=" + std::string(TrimSpaces(address)) + ":" +
                            std::string(TrimSpaces(port)) + "," + std::to_string(gameType);
    return ParseLookupReply(GetURL(url), name);
}

std::int32_t ParseLookupReply(std::string_view text, std::string& name) {
    std::string reply(TrimSpaces(text));
    std::erase(reply, '\n');
    if (reply.empty()) {
        return kLookupNoReply;
    }
    if (EqualsIgnoreCase(reply, "NO SERVER FOUND")) {
        return kLookupNotFound;
    }
    const auto fields = Split(reply, '|');
    if (fields.size() < 2) {
        return kLookupMalformed;
    }
    // A server number that is not a whole 32-bit number makes the reply malformed.
    const auto number = ParseInt32(TrimSpaces(fields[0]));
    if (!number) {
        return kLookupMalformed;
    }
    if (auto decoded = URLDecode(fields[1])) {
        name = std::move(*decoded);
    }
    return *number;
}

} // namespace lindrel
