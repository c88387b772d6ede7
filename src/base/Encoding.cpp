#include "base/Encoding.h"

#include <array>
#include <cstdint>

namespace lindrel {

namespace {

// Windows-1252's 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

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

std::string EscapeMarkup(std::string_view text, bool quotes) {
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
            out += quotes ? "&quot;" : "\"";
            break;
        case '\'':
            out += quotes ? "&#39;" : "'";
            break;
        default:
            // Control characters are not allowed in a page at all.
            if (!quotes || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)) {
                out += c;
            }
        }
    }
    return out;
}

} // namespace

char32_t Windows1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : char32_t{byte};
}

std::optional<unsigned char> UnicodeToWindows1252(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<unsigned char>(code);
    }
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == code) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

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
            code = Windows1252ToUnicode(byte);
            code = code < 0xA0u ? 0xFFFDu : code; // unassigned: no C1 control on a page
        }
        AppendUtf8(out, code);
    }
    return out;
}

std::string_view CutUtf8(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes) {
        return utf8;
    }
    std::size_t end = maxBytes;
    // Back over continuation bytes to the start of the character that does not fit.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0u) == 0x80u) {
        --end;
    }
    return utf8.substr(0, end);
}

std::string_view CutUtf8Characters(std::string_view utf8, std::size_t characters) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        if ((static_cast<unsigned char>(utf8[at]) & 0xC0u) != 0x80u && count++ == characters) {
            return utf8.substr(0, at);
        }
    }
    return utf8;
}

std::string HtmlEscape(std::string_view text) {
    return EscapeMarkup(text, true);
}

std::string EscapeAngleBrackets(std::string_view text) {
    return EscapeMarkup(text, false);
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

} // namespace lindrel
