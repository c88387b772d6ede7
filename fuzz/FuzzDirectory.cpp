// The directory, game-type and lookup replies: any text is read without failing.
#include "core/AppState.h"
#include "service/Directory.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    lindrel::AppState state("/nonexistent");
    lindrel::ApplyServerDirectory(state, input);
    lindrel::ApplyGameTypes(state, input);
    for (std::size_t i = 0; i < state.GameTypes.size(); ++i) {
        const auto key = lindrel::GameTypeCollection::KeyFor(state.GameTypes.at(i).UID());
        if (state.GameTypes.Find(key) != &state.GameTypes.at(i)) {
            std::abort(); // every key names its own record, once
        }
    }
    std::string name = "unchanged";
    const auto number = lindrel::ParseLookupReply(input, name);
    // No reply and the refusals leave the name alone.
    if ((input.empty() || number == lindrel::kLookupNotFound ||
         number == lindrel::kLookupMalformed) &&
        name != "unchanged" && input.find('|') == std::string_view::npos) {
        std::abort();
    }
    return 0;
}
