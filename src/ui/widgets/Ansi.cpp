#include "ui/widgets/Ansi.h"

#include "base/Encoding.h"

namespace lindrel {

QString FromAnsi(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) {
        result.append(
            QChar(static_cast<char16_t>(Windows1252ToUnicode(static_cast<unsigned char>(c)))));
    }
    return result;
}

QString FromGameText(const std::string& text) {
    return IsValidUtf8(text) ? QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                             : FromAnsi(text);
}

std::string ToAnsi(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        result += static_cast<char>(UnicodeToWindows1252(c.unicode()).value_or('?'));
    }
    return result;
}

} // namespace lindrel
