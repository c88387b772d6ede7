#pragma once

#include <optional>
#include <string>
#include <string_view>

// The field encoding of service queries, service replies and "lindrel.dat". It works on
// bytes: one byte of the single-byte code page is one character, an escape one byte.
namespace lindrel {

// ASCII letters and digits stay, a space becomes "+", every other byte "%XX" (uppercase).
std::string URLEncode(std::string_view text);

// The reverse of URLEncode, also taking lowercase hex digits and a lone hex digit after a
// "%" at the very end. Empty when an escape is malformed ("100%", "%G1", "%%41").
std::optional<std::string> URLDecode(std::string_view text);

} // namespace lindrel
