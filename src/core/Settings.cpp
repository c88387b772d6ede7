#include "core/Settings.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "platform/Platform.h"

#include <string>

namespace lindrel {

namespace {

constexpr int kEmptyLinesBeforeRewrite = 10;
constexpr int kSettingsFieldCount = 1 + kServerFieldCount;

void LoadGlobalData(AppState& state) {
    const auto content = platform::ReadFileContent(state.AppFile("global.dat"));
    if (!content) {
        return;
    }
    LineReader lines(*content);
    std::string_view line;
    for (int item = 0; item < kGlobalItemCount && lines.Next(line); ++item) {
        if (!line.empty()) {
            state.GlobalData[item] = std::string(line);
        }
    }
}

void ApplyServerLine(AppState& state, std::string_view line) {
    const auto fields = Split(line, ',');
    if (fields.size() != kSettingsFieldCount) {
        return;
    }
    // A slot field that is no number at all names no slot.
    const auto slotNumber = ReadLeadingNumber(fields[0]);
    if (!slotNumber) {
        return;
    }
    const int slot = RoundToInt32(*slotNumber);
    if (slot < 0 || slot >= kSlotCount) {
        return;
    }
    for (int field = 0; field < kServerFieldCount; ++field) {
        if (auto value = URLDecode(fields[static_cast<std::size_t>(field) + 1])) {
            state.ServerData(slot, field) = std::move(*value);
        }
    }
}

// Returns false when the file asks to be rewritten: it is missing or holds ten empty lines.
bool LoadServerData(AppState& state) {
    const auto content = platform::ReadFileContent(state.AppFile("lindrel.dat"));
    if (!content) {
        return false;
    }
    LineReader lines(*content);
    int emptyLines = 0;
    std::string_view line;
    while (lines.Next(line)) {
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.empty()) {
            if (++emptyLines >= kEmptyLinesBeforeRewrite) {
                return false;
            }
            continue;
        }
        ApplyServerLine(state, trimmed);
    }
    return true;
}

} // namespace

void LoadSettings(AppState& state) {
    state.ServerData = state.DefaultServers;
    // "global.dat" is read first, so a rewrite caused by a lost "lindrel.dat" keeps the
    // user's global options instead of replacing them with the defaults.
    LoadGlobalData(state);
    if (!LoadServerData(state)) {
        SaveSettings(state);
    }
}

void SaveSettings(const AppState& state) {
    std::string servers;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        servers += std::to_string(slot);
        for (int field = 0; field < kServerFieldCount; ++field) {
            servers += ',';
            servers += URLEncode(state.ServerData(slot, field));
        }
        servers += "\r\n";
    }
    platform::ReplaceFileContent(state.AppFile("lindrel.dat"), servers);

    std::string globals;
    for (int item = 0; item < kGlobalItemCount; ++item) {
        globals += state.GlobalData[item];
        globals += "\r\n";
    }
    platform::ReplaceFileContent(state.AppFile("global.dat"), globals);
}

} // namespace lindrel
