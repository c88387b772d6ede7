#include "base/UrlCodec.h"

#include <array>
#include <cstdint>

namespace lindrel {

namespace {

constexpr std::array<bool, 256> MakeKeptTable() {
    std::array<bool, 256> kept{};
    for (int c = 0; c < 256; ++c) {
        kept[static_cast<std::size_t>(c)] =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    }
    return kept;
}

constexpr auto kKeptAsIs = MakeKeptTable();

constexpr std::array<std::int8_t, 256> MakeHexTable() {
    std::array<std::int8_t, 256> table{};
    for (auto& value : table) {
        value = -1;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    }
    for (int c = 'a'; c <= 'f'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
        table[static_cast<std::size_t>(c - 32)] = static_cast<std::int8_t>(c - 'a' + 10);
    }
    return table;
}

constexpr auto kHexValue = MakeHexTable();
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    return kHexValue[static_cast<unsigned char>(c)];
}

} // namespace

std::string URLEncode(std::string_view text) {
    // Sized for the worst case and cut back afterwards: one pass, no reallocation.
    std::string encoded(text.size() * 3, '\0');
    char* out = encoded.data();
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (kKeptAsIs[c]) {
            *out++ = ch;
        } else if (c == ' ') {
            *out++ = '+';
        } else {
            out[0] = '%';
            out[1] = kHexDigits[c >> 4];
            out[2] = kHexDigits[c & 0x0F];
            out += 3;
        }
    }
    encoded.resize(static_cast<std::size_t>(out - encoded.data()));
    return encoded;
}

std::optional<std::string> URLDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c != '%') {
            decoded += c;
        } else if (i + 1 == text.size()) {
            return std::nullopt;
        } else if (i + 2 == text.size()) {
            const int digit = HexValue(text[i + 1]);
            if (digit < 0) {
                return std::nullopt;
            }
            decoded += static_cast<char>(digit);
            ++i;
        } else {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return decoded;
}

} // namespace lindrel
