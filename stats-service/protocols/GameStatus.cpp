#include "protocols/GameStatus.h"

#include "base/Encoding.h"

#include <algorithm>
#include <cctype>

namespace lindrel::stats {

int OnlineCount(const StatusInfo& status) {
    return std::max(status.online, static_cast<int>(status.players.size()));
}

namespace {

// The bytes of the UTF-8 character that starts with this byte (the text is valid).
std::size_t Utf8Length(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
}

bool IsControl(std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) {
        return lead < 0x20 || lead == 0x7f;
    }
    // U+0080 to U+009F, the C1 controls: C2 80 to C2 9F.
    return lead == 0xc2 && static_cast<unsigned char>(character[1]) < 0xa0;
}

} // namespace

std::string WithoutControls(std::string_view text, std::size_t maxBytes) {
    std::string plain;
    plain.reserve(std::min(text.size(), maxBytes));
    if (!IsValidUtf8(text)) {
        // A single-byte code page, where 0x80 to 0x9F are characters (Windows-1252's €).
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte != 0x7f) {
                plain += c;
            }
            if (plain.size() == maxBytes) {
                break;
            }
        }
        // Without the controls the bytes may be UTF-8 after all: read them as such, so that
        // cleaning a cleaned text changes nothing (a saved name loads the same).
        return IsValidUtf8(plain) ? WithoutControls(plain, maxBytes) : plain;
    }
    // UTF-8 is cut before a character: half of one would make the text read as a code page.
    for (std::size_t at = 0; at < text.size();) {
        const auto character = text.substr(at, Utf8Length(static_cast<unsigned char>(text[at])));
        at += character.size();
        if (IsControl(character)) {
            continue;
        }
        if (plain.size() + character.size() > maxBytes) {
            break;
        }
        plain += character;
    }
    return plain;
}

std::string StripColours(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] != '^') {
            // DarkPlaces (Nexuiz, Xonotic) adds "^xRGB", a colour in three hex digits.
            const bool rgb =
                text[i + 1] == 'x' && i + 4 < text.size() &&
                std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 2,
                            text.begin() + static_cast<std::ptrdiff_t>(i) + 5, [](char c) {
                                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                            });
            i += rgb ? 4 : 1;
            continue;
        }
        plain += text[i];
    }
    return plain;
}

std::string CleanName(std::string_view text) {
    return WithoutControls(StripColours(text), kMaxNameBytes);
}

} // namespace lindrel::stats
