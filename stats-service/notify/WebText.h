#pragma once

#include <string>
#include <string_view>

// Texts of the game servers made fit for web pages and JSON. Game servers send names as
// bytes: UTF-8 from newer games, a Windows code page from older ones. Errors: none; every
// input gives valid UTF-8.
namespace lindrel::stats {

// The text as UTF-8: valid UTF-8 stays as it is; otherwise every byte above 0x7F is read as
// Windows-1252 (the five bytes that code page leaves unassigned become U+FFFD).
std::string ToUtf8(std::string_view text);
// ToUtf8, then &, <, >, " and ' as character references.
std::string HtmlEscape(std::string_view text);
// ToUtf8 as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

} // namespace lindrel::stats
