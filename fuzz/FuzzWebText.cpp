// Game servers' texts reach web pages, JSON and webhooks: whatever the bytes, the page text
// holds no markup, the JSON string no raw control character or stray quote, and both are
// UTF-8 that stays as it is when converted again. A webhook URL that parses is usable.
#include "base/Encoding.h"
#include "notify/Webhook.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace lindrel;
using namespace lindrel::stats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = ToUtf8(input);
    if (ToUtf8(utf8) != utf8 || !IsValidUtf8(CutUtf8(utf8, size % 97))) {
        std::abort();
    }
    const std::string html = HtmlEscape(input);
    for (const char c : html) {
        if (c == '<' || c == '>' || c == '"' || c == '\'' || static_cast<unsigned char>(c) < 0x20) {
            std::abort();
        }
    }
    const std::string json = JsonString(input);
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') {
        std::abort();
    }
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        if (c < 0x20 || (json[i] == '"' && json[i - 1] != '\\')) {
            std::abort();
        }
    }
    if (const auto url = ParseWebhookUrl(input)) {
        if (url->host.empty() || url->port == 0 || url->target.empty() || url->target[0] != '/') {
            std::abort();
        }
    }
    return 0;
}
