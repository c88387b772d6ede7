// URLDecode takes any text; what it decodes survives a round trip through URLEncode.
#include "base/UrlCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto decoded = lindrel::URLDecode(input);
    if (decoded && lindrel::URLDecode(lindrel::URLEncode(*decoded)) != *decoded) {
        std::abort();
    }
    if (lindrel::URLDecode(lindrel::URLEncode(input)) != input) {
        std::abort();
    }
    return 0;
}
