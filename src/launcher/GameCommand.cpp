#include "launcher/GameCommand.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "launcher/ShellOpen.h"

#include <stdexcept>

namespace lindrel {

namespace {

void CollapseDoubleSpaces(std::string& text) {
    std::string collapsed;
    collapsed.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        collapsed += text[i];
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            ++i; // a pair becomes one space
        }
    }
    text = std::move(collapsed);
}

} // namespace

std::string GameCommandLine(const AppState& state, int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        throw std::out_of_range("slot " + std::to_string(slot) + " is not 0 to 4");
    }
    const std::string key =
        GameTypeCollection::KeyFor(ReadWholeNumber(state.ServerData(slot, GameTypeID)));
    const clsGameType* type = state.GameTypes.Find(key);
    if (type == nullptr) {
        throw std::invalid_argument("no game type " + key);
    }
    const auto& field = [&](int f) -> const std::string& { return state.ServerData(slot, f); };
    const std::string exec = field(PlayerConfig).empty() ? "" : " +exec " + field(PlayerConfig);
    std::string line = " " + type->GameMOD() + " ";
    line += exec + " ";
    if (!field(RconPwd).empty()) {
        line += type->GameRCON() + " " + field(RconPwd);
    }
    line += " ";
    if (!field(GamePwd).empty()) {
        line += type->GamePassword() + " " + field(GamePwd);
    }
    line += " ";
    line += exec + " ";
    line += "+connect " + field(ServerIP) + ":" + field(ServerPort) + " ";
    line += field(OtherCmds);
    line = std::string(TrimSpaces(line));
    for (int pass = 0; pass < 4; ++pass) {
        CollapseDoubleSpaces(line);
    }
    return line;
}

void RunGame(AppState& state, int slot) {
    try {
        const std::string line = GameCommandLine(state, slot);
        const std::string& program = state.ServerData(slot, ExePath);
        static_cast<void>(ExecuteFile(program, line, GetFileFolder(program)));
    } catch (const std::exception& failure) {
        WriteLog(state, HandlerLogLine("RunGame", failure), 4);
    }
}

} // namespace lindrel
