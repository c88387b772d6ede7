// A Minecraft Java status reply of any bytes, fed to the exchange in two pieces as TCP may
// deliver it, and its JSON read on its own: whatever is read keeps its bounds.
#include "StatusBounds.h"
#include "protocols/MinecraftProtocol.h"
#include "protocols/QueryDriver.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto status = ParseMinecraftStatus(bytes)) {
        CheckStatusBounds(*status);
    }
    Tokens tokens;
    const auto exchange = MinecraftDriver().NewExchange(tokens);
    const std::size_t cut = size == 0 ? 0 : data[0] % size;
    Step step = exchange->Feed(bytes.substr(0, cut));
    if (step.kind == Step::Kind::Wait) {
        step = exchange->Feed(bytes.substr(cut));
    }
    if (step.kind == Step::Kind::Done) {
        const auto status = exchange->Result();
        if (!status) {
            std::abort();
        }
        CheckStatusBounds(*status);
    }
    return 0;
}
