// A Teeworlds reply of any bytes, read as 0.6's "inf3", as 0.7's info and as 0.7's token
// answer: a parsed one keeps its bounds, and the tokens their lengths.
#include "StatusBounds.h"
#include "protocols/TeeworldsProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lindrel::stats;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto status = ParseTeeworldsInfo(bytes)) {
        CheckStatusBounds(*status);
        if (status->challenge.size() > 8) {
            std::abort();
        }
    }
    if (const auto status = ParseTeeworlds7Info(bytes)) {
        CheckStatusBounds(*status);
        if (status->challenge.size() > kTeeworlds7TokenBytes + 11) {
            std::abort();
        }
    }
    const auto token = ParseTeeworlds7Token(bytes, "\x12\x34\x56\x78");
    if (token && token->size() != kTeeworlds7TokenBytes) {
        std::abort();
    }
    return 0;
}
