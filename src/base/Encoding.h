#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The encodings of the texts both programs handle. The monitor's settings are single-byte
// Windows-1252; game servers send names as bytes, UTF-8 from newer games and a Windows code
// page from older ones, and one reading serves both programs: valid UTF-8 is UTF-8, anything
// else Windows-1252. Errors: none; every output is valid UTF-8 (or, for the table, a code
// point).
namespace lindrel {

// Windows-1252's character for a byte: Latin-1 but for 0x80 to 0x9F; the five bytes it
// leaves unassigned stand for themselves (U+0081, ...), as Windows reads them.
char32_t Windows1252ToUnicode(unsigned char byte);
// The byte that stands for a character in Windows-1252, if one does.
std::optional<unsigned char> UnicodeToWindows1252(char32_t code);

bool IsValidUtf8(std::string_view text);

// The text as UTF-8: valid UTF-8 stays as it is; otherwise every byte is read as
// Windows-1252 (the five unassigned bytes become U+FFFD).
std::string ToUtf8(std::string_view text);
// At most maxBytes of UTF-8, cut before a character, never inside one.
std::string_view CutUtf8(std::string_view utf8, std::size_t maxBytes);
// At most `characters` characters of UTF-8, cut before a character.
std::string_view CutUtf8Characters(std::string_view utf8, std::size_t characters);

// ToUtf8, then &, <, >, " and ' as character references, control characters dropped.
std::string HtmlEscape(std::string_view text);
// ToUtf8, then only &, < and > as references: what chat markup such as Slack's asks.
std::string EscapeAngleBrackets(std::string_view text);
// ToUtf8 as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

} // namespace lindrel
