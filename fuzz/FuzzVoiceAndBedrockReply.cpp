// A Mumble pong and a Bedrock (RakNet) pong of any bytes: a parsed one keeps its bounds.
#include "StatusBounds.h"
#include "protocols/BedrockProtocol.h"
#include "protocols/MumbleProtocol.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto status = ParseMumblePong(bytes)) {
        CheckStatusBounds(*status);
    }
    if (const auto status = ParseBedrockPong(bytes)) {
        CheckStatusBounds(*status);
    }
    return 0;
}
