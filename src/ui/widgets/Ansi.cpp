#include "ui/widgets/Ansi.h"

#include <array>

namespace lindrel {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the rest of the code page equals Latin-1. The five
// unassigned bytes map to themselves, as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : char16_t{byte};
}

} // namespace

QString FromAnsi(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) {
        result.append(QChar(ToUnicode(static_cast<unsigned char>(c))));
    }
    return result;
}

std::string ToAnsi(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        char byte = '?';
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            byte = static_cast<char>(unit);
        } else {
            for (std::size_t i = 0; i < kHigh.size(); ++i) {
                if (kHigh[i] == unit) {
                    byte = static_cast<char>(0x80 + i);
                    break;
                }
            }
        }
        result += byte;
    }
    return result;
}

} // namespace lindrel
