// The tray: any mouse message acts only as a left or right release, and any status text
// gives a tip the tray takes (at most 127 characters, the start of the full tip) that
// converts to Qt's text and back unchanged.
#include "core/AppState.h"
#include "ui/status/Tray.h"
#include "ui/widgets/Ansi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(int) + 1) {
        return 0;
    }
    int message = 0;
    std::memcpy(&message, data, sizeof message);
    const bool dialogOpen = (data[sizeof message] & 1) != 0;
    const auto action = lindrel::DecodeTrayCallback(message, dialogOpen);
    if ((action == lindrel::TrayAction::ShowStatusWindow && message != lindrel::kLeftButtonUp) ||
        (action == lindrel::TrayAction::PopUpTrayMenu &&
         (message != lindrel::kRightButtonUp || dialogOpen)) ||
        (action == lindrel::TrayAction::None &&
         (message == lindrel::kLeftButtonUp ||
          (message == lindrel::kRightButtonUp && !dialogOpen)))) {
        std::abort();
    }

    // The rest: name, map, players and ping, separated by NUL bytes.
    const std::string text(reinterpret_cast<const char*>(data) + sizeof message + 1,
                           size - sizeof message - 1);
    lindrel::AppState state("/nonexistent");
    auto& status = state.ServerStatus[0];
    std::string* fields[] = {&status.ReportedName, &status.MapName, &status.Players, &status.Ping};
    std::size_t begin = 0;
    for (std::string* field : fields) {
        if (begin > text.size()) {
            break;
        }
        const std::size_t end = std::min(text.find('\0', begin), text.size());
        *field = text.substr(begin, end - begin);
        begin = end + 1;
    }
    const std::string tip = lindrel::TrayTip(state);
    const std::string full = lindrel::GetTipText(state, 0);
    if (tip.size() > lindrel::kMaxTipLength || full.compare(0, tip.size(), tip) != 0 ||
        (full.size() <= lindrel::kMaxTipLength && tip != full) ||
        lindrel::ToAnsi(lindrel::FromAnsi(tip)) != tip) {
        std::abort();
    }
    return 0;
}
