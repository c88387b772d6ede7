#include "platform/Platform.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace lindrel::platform {

namespace {

constexpr int kFoldersBit = 16;

} // namespace

// The entry as the file system spells it (its long name, in its own case), which is what
// the callers rebuild a path from.
std::string ListingQuery(const std::string& path, int mask) {
    if (path.empty()) {
        return {};
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(win32::Widen(path).c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string name;
    do {
        const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::wstring entry = found.cFileName;
        if (entry != L"." && entry != L".." && (!folder || (mask & kFoldersBit) != 0)) {
            name = win32::Narrow(entry);
            break;
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return name;
}

} // namespace lindrel::platform
