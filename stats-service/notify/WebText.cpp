#include "WebText.h"

#include <array>
#include <cstdint>

namespace lindrel::stats {

namespace {

// Windows-1252's 0x80 to 0x9F; 0 where it assigns nothing.
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) {
                return false;
            }
            code = (code << 6u) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past Unicode's end.
        const std::uint32_t least = length == 3 ? 0x800u : length == 4 ? 0x10000u : 0x80u;
        if (code < least || (code >= 0xD800u && code <= 0xDFFFu) || code > 0x10FFFFu) {
            return false;
        }
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80u) {
        out += static_cast<char>(code);
    } else if (code < 0x800u) {
        out += static_cast<char>(0xC0u | (code >> 6u));
        out += static_cast<char>(0x80u | (code & 0x3Fu));
    } else {
        out += static_cast<char>(0xE0u | (code >> 12u));
        out += static_cast<char>(0x80u | ((code >> 6u) & 0x3Fu));
        out += static_cast<char>(0x80u | (code & 0x3Fu));
    }
}

} // namespace

std::string ToUtf8(std::string_view text) {
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        std::uint32_t code = byte;
        if (byte >= 0x80 && byte < 0xA0) {
            code = kHighControls[byte - 0x80];
            code = code == 0 ? 0xFFFDu : code;
        }
        AppendUtf8(out, code);
    }
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (const char c : ToUtf8(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            // Control characters are not allowed in a page at all.
            if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
                out += c;
            }
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += kHex[byte >> 4u];
            out += kHex[byte & 0x0Fu];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

} // namespace lindrel::stats
