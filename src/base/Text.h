#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small text helpers shared by the parsers of settings files and service replies. Errors
// are values: an empty optional, or 0 where a lenient reader wants a number; nothing here
// throws.
namespace lindrel {

// Removes the space character (only that one) from both ends.
std::string_view TrimSpaces(std::string_view text);

// Splits at every occurrence of the separator; an empty text gives one empty field.
std::vector<std::string_view> Split(std::string_view text, char separator);

// Reads the number at the start of a text the way a lenient reader of hand-written
// values does: blanks, tabs and line feeds are skipped anywhere, then an optional sign,
// digits, a decimal point and an exponent, up to the first character that cannot
// continue the number. "12abc" is 12. Empty when no digit was read ("abc", "", "-").
std::optional<double> ReadLeadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour, saturated to the
// 32-bit signed range.
int RoundToInt32(double value);

// ReadLeadingNumber, rounded; 0 when nothing readable.
int ReadWholeNumber(std::string_view text);

// Parses a complete decimal integer (optional sign, digits only) into 32 bits.
std::optional<int> ParseInt32(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// A-Z to a-z; every other byte as it is.
std::string LowerAscii(std::string_view text);

// Walks the lines of a text: each ends at LF, a CR before the LF is dropped, and a last
// line without LF still counts.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& line);

private:
    std::string_view rest_;
};

} // namespace lindrel
