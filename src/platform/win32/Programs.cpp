#include "platform/Platform.h"
#include "platform/win32/Wide.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <cstdint>
#include <shellapi.h>

namespace lindrel::platform {

namespace {

StartResult ResultForError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return StartResult::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
        return StartResult::PathNotFound;
    case ERROR_ACCESS_DENIED:
        return StartResult::AccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return StartResult::OutOfMemory;
    case ERROR_SHARING_VIOLATION:
        return StartResult::SharingViolation;
    case ERROR_NO_ASSOCIATION:
        return StartResult::NoAssociation;
    case ERROR_DDE_FAIL:
        return StartResult::DdeFailed;
    case ERROR_DLL_NOT_FOUND:
        return StartResult::DllNotFound;
    default:
        return StartResult::NotAProgram;
    }
}

// The shell's own result code (32 or less) when it gave one, else the system's error.
StartResult ResultForShellCode(INT_PTR code, DWORD error) {
    switch (code) {
    case 0:
    case SE_ERR_OOM:
        return StartResult::OutOfMemory;
    case SE_ERR_FNF:
        return StartResult::FileNotFound;
    case SE_ERR_PNF:
        return StartResult::PathNotFound;
    case SE_ERR_ACCESSDENIED:
        return StartResult::AccessDenied;
    case SE_ERR_SHARE:
        return StartResult::SharingViolation;
    case SE_ERR_ASSOCINCOMPLETE:
        return StartResult::AssociationIncomplete;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
        return StartResult::DdeFailed;
    case SE_ERR_NOASSOC:
        return StartResult::NoAssociation;
    case SE_ERR_DLLNOTFOUND:
        return StartResult::DllNotFound;
    default:
        return ResultForError(error);
    }
}

// One argument as the C runtime's and CommandLineToArgvW's parsers read it back: quoted
// when it is empty or holds a space, a tab or a quote; a quote escaped with a backslash;
// backslashes doubled only where a quote follows them.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\'); // before the closing quote
    quoted += L'"';
    return quoted;
}

} // namespace

StartResult StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
    const std::wstring wideProgram = win32::Widen(program);
    std::wstring commandLine = QuoteArgument(wideProgram);
    for (const auto& argument : arguments) {
        commandLine += L' ';
        commandLine += QuoteArgument(win32::Widen(argument));
    }
    const std::wstring wideFolder = win32::Widen(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // No handles inherited and a process group of its own: the game outlives the monitor
    // and takes none of its files or its console's Ctrl+C.
    if (::CreateProcessW(wideProgram.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         CREATE_NEW_PROCESS_GROUP | CREATE_DEFAULT_ERROR_MODE, nullptr,
                         folder.empty() ? nullptr : wideFolder.c_str(), &startup,
                         &process) == FALSE) {
        return ResultForError(::GetLastError());
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return StartResult::Started;
}

StartResult OpenWithDesktop(const std::string& file, const std::string& folder) {
    const std::wstring wideFile = win32::Widen(file);
    const std::wstring wideFolder = win32::Widen(folder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = wideFile.c_str();
    info.lpDirectory = folder.empty() ? nullptr : wideFolder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExW(&info) != FALSE) {
        return StartResult::Started;
    }
    return ResultForShellCode(reinterpret_cast<INT_PTR>(info.hInstApp), ::GetLastError());
}

void NameThisThread(const std::string& name) {
    // SetThreadDescription came with Windows 10: looked up, so older systems still run.
    using Describe = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto describe = reinterpret_cast<Describe>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadDescription")));
    if (describe != nullptr) {
        describe(::GetCurrentThread(), win32::Widen(name.substr(0, 15)).c_str());
    }
}

// Windows sockets are handles, without a per-process limit of the kind POSIX has.
std::size_t RaiseOpenFileLimit() {
    return SIZE_MAX;
}

} // namespace lindrel::platform
