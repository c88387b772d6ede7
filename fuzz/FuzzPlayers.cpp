// A player-list reply of any text: rows are built only from lines that are there, and
// never more than the list is made for.
#include "base/Text.h"
#include "core/AppState.h"
#include "service/Players.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    lindrel::AppState state("/nonexistent");
    const lindrel::PlayerList list = lindrel::ApplyPlayersReply(state, 2, input);
    const auto rows = list.rows.size();
    const auto lines = lindrel::Split(lindrel::TrimSpaces(input), '\n').size();
    if ((rows > 0 && rows * 2 + 2 > lines) || rows > static_cast<std::size_t>(list.count) ||
        (list.count > 0 && (!list.announced || *list.announced < list.count)) ||
        (!list.serverRead && (list.announced || !list.rows.empty()))) {
        std::abort();
    }
    return 0;
}
