#pragma once

#include <string>
#include <string_view>

// Between the programs' byte texts and the UTF-16 the Windows calls take.
namespace lindrel::platform::win32 {

// UTF-8 when the bytes are valid UTF-8, else the ANSI code page.
std::wstring Widen(std::string_view text);
// UTF-8.
std::string Narrow(std::wstring_view text);

// The system's text for an error code (GetLastError's), without the trailing line end.
std::string SystemMessage(unsigned long code);

} // namespace lindrel::platform::win32
