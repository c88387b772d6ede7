#include "platform/Platform.h"
#include "platform/win32/Wide.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <windows.h>

namespace lindrel::platform {

namespace {

constexpr int kTemporaryNameTries = 16;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes a file handle when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() {
        const bool closed = !valid() || ::CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

bool WriteAll(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 30));
        DWORD written = 0;
        if (::WriteFile(file, content.data(), chunk, &written, nullptr) == FALSE) {
            return false;
        }
        content.remove_prefix(written);
    }
    return true;
}

// Creates "path.tmpXXXXXXXX" with a random suffix; CREATE_NEW refuses anything already
// there. attributes may ask the file to go when it is closed.
HANDLE CreateTemporary(const std::string& path, std::string& temporary, DWORD attributes) {
    std::random_device random;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        char suffix[9];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        temporary = path + ".tmp" + suffix;
        const HANDLE file = ::CreateFileW(win32::Widen(temporary).c_str(), GENERIC_WRITE, 0,
                                          nullptr, CREATE_NEW, attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// Reads to the end; empty on a read error or past maxBytes.
std::optional<std::string> ReadAll(HANDLE file, std::size_t maxBytes) {
    std::string content;
    char buffer[16384];
    while (true) {
        DWORD count = 0;
        if (::ReadFile(file, buffer, sizeof buffer, &count, nullptr) == FALSE ||
            content.size() + count > maxBytes) {
            return std::nullopt;
        }
        if (count == 0) {
            return content;
        }
        content.append(buffer, count);
    }
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // cut short: a longer path than the buffer
    }
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    // "C:\" keeps its separator; any other folder loses it.
    return win32::Narrow(path.substr(0, separator == 2 && path[1] == L':' ? 3 : separator));
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    std::string temporary;
    Handle file(CreateTemporary(path, temporary, FILE_ATTRIBUTE_NORMAL));
    if (!file.valid()) {
        return false;
    }
    bool ok = WriteAll(file.get(), content) && ::FlushFileBuffers(file.get()) != FALSE;
    ok = file.Close() && ok;
    const std::wstring wideTemporary = win32::Widen(temporary);
    if (ok && ::MoveFileExW(wideTemporary.c_str(), win32::Widen(path).c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE) {
        return true;
    }
    ::DeleteFileW(wideTemporary.c_str());
    return false;
}

std::optional<std::string> ReadFileContent(const std::string& path) {
    Handle file(::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    return ReadAll(file.get(), SIZE_MAX);
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string& error) {
    error.clear();
    // Backup semantics open a folder too, so that it is refused as what it is.
    Handle file(::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
        const DWORD code = ::GetLastError();
        if (!IsMissing(code)) {
            error = path + ": cannot open: " + win32::SystemMessage(code);
        }
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER size{};
    std::optional<std::string> content;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK ||
        ::GetFileInformationByHandle(file.get(), &info) == FALSE ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = path + ": not a regular file";
    } else if (::GetFileSizeEx(file.get(), &size) == FALSE ||
               static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
    } else if (content = ReadAll(file.get(), maxBytes); !content) {
        // A file that grows while it is read is still held to the bound.
        error = path + ": cannot be read within " + std::to_string(maxBytes) + " bytes";
    }
    return content;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
    // Append-only access: the system puts every write at the end, so entries of two
    // processes never interleave.
    Handle file(::CreateFileW(win32::Widen(path).c_str(), FILE_APPEND_DATA, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    DWORD written = 0;
    const bool ok = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                &written, nullptr) != FALSE;
    return file.Close() && ok && written == bytes.size();
}

bool RemoveFile(const std::string& path) {
    return ::DeleteFileW(win32::Widen(path).c_str()) != FALSE || IsMissing(::GetLastError());
}

bool IsWritableFolder(const std::string& folder) {
    std::string probe;
    Handle file(CreateTemporary(folder + "\\.lindrel-write-test", probe,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE));
    return file.valid();
}

bool MakeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(win32::Widen(folder)), error);
    // The new folder takes the user profile's permissions, which are the user's own.
    return !error && EntryAt(folder) == EntryKind::Folder;
}

std::string UserDataFolder() {
    const wchar_t* data = ::_wgetenv(L"APPDATA");
    if (data == nullptr || data[0] == L'\0') {
        return {};
    }
    return win32::Narrow(data) + "\\Lindrel";
}

bool MakeExecutable(const std::string& path) {
    return EntryAt(path) == EntryKind::File;
}

EntryKind EntryAt(const std::string& path) {
    if (path.empty()) {
        return EntryKind::None;
    }
    const DWORD attributes = ::GetFileAttributesW(win32::Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return EntryKind::None;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
}

bool IsProgram(const std::string& path) {
    if (EntryAt(path) != EntryKind::File || path.size() < 4) {
        return false;
    }
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return extension == ".exe" || extension == ".com";
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::MoveFileExW(win32::Widen(from).c_str(), win32::Widen(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::optional<LocalFile> LocalFile::OpenToRead(const std::string& path) {
    const HANDLE file = ::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    return LocalFile(reinterpret_cast<std::intptr_t>(file));
}

std::optional<LocalFile> LocalFile::OpenToWrite(const std::string& path) {
    const HANDLE file = ::CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    return LocalFile(reinterpret_cast<std::intptr_t>(file));
}

LocalFile::LocalFile(LocalFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = kClosed;
}

LocalFile::~LocalFile() {
    Close();
}

bool LocalFile::Write(const char* data, std::size_t size) {
    return handle_ != kClosed &&
           WriteAll(reinterpret_cast<HANDLE>(handle_), std::string_view(data, size));
}

std::size_t LocalFile::Read(char* buffer, std::size_t size) {
    DWORD got = 0;
    if (handle_ == kClosed || ::ReadFile(reinterpret_cast<HANDLE>(handle_), buffer,
                                         static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)),
                                         &got, nullptr) == FALSE) {
        return 0;
    }
    return got;
}

bool LocalFile::Close() {
    if (handle_ == kClosed) {
        return true;
    }
    const bool closed = ::CloseHandle(reinterpret_cast<HANDLE>(handle_)) != FALSE;
    handle_ = kClosed;
    return closed;
}

} // namespace lindrel::platform
