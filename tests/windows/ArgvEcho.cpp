// A stand-in game for the launch tests: writes the folder it runs in and its arguments,
// as CommandLineToArgvW reads its command line, one per line in UTF-8, to "argv.txt" in
// that folder.
#include <fstream>
#include <string>
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace {

std::string Utf8(const wchar_t* text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.pop_back(); // the terminating NUL
    return narrow;
}

} // namespace

int main() {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    {
        std::ofstream out("argv.part", std::ios::binary | std::ios::trunc);
        out << Utf8(folder) << '\n';
        for (int i = 1; i < count; ++i) {
            out << Utf8(arguments[i]) << '\n';
        }
    }
    ::LocalFree(arguments);
    // Whole or not at all, for the test that waits for it.
    return ::MoveFileExW(L"argv.part", L"argv.txt", MOVEFILE_REPLACE_EXISTING) != FALSE ? 0 : 1;
}
