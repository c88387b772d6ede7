#include "platform/Platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lindrel::platform {

namespace {

constexpr int kTemporaryNameTries = 16;

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Creates "path.tmpXXXXXXXX" with a random suffix; O_EXCL refuses anything already there,
// a planted link included. Returns the descriptor, or -1.
int CreateTemporary(const std::string& path, std::string& temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        char suffix[9];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        temporary = path + ".tmp" + suffix;
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename durable. A folder that cannot be opened or synced (some file systems
// refuse it) does not undo the rename, which has happened already.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static_cast<void>(::fsync(fd));
        ::close(fd);
    }
}

// Reads to the end; empty on a read error or past maxBytes.
std::optional<std::string> ReadAll(int fd, std::size_t maxBytes) {
    std::string content;
    char buffer[16384];
    while (true) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 || content.size() + static_cast<std::size_t>(count) > maxBytes) {
            return std::nullopt;
        }
        if (count == 0) {
            return content;
        }
        content.append(buffer, static_cast<std::size_t>(count));
    }
}

} // namespace

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return exe.parent_path().string();
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    bool ok = true;
    if (::stat(path.c_str(), &existing) == 0) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) {
        SyncFolder(FolderOf(path));
        return true;
    }
    ::unlink(temporary.c_str());
    return false;
}

std::optional<std::string> ReadFileContent(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    auto content = ReadAll(fd, SIZE_MAX);
    ::close(fd);
    return content;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string& error) {
    error.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            error = path + ": cannot open: " + std::generic_category().message(errno);
        }
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> content;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
    } else if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
    } else if (content = ReadAll(fd, maxBytes); !content) {
        // A file that grows while it is read is still held to the bound.
        error = path + ": cannot be read within " + std::to_string(maxBytes) + " bytes";
    }
    ::close(fd);
    return content;
}

bool AppendToFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    const bool closed = ::close(fd) == 0;
    return closed && written == static_cast<ssize_t>(bytes.size());
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool IsWritableFolder(const std::string& folder) {
    std::string probe;
    const int fd = CreateTemporary(folder + "/.lindrel-write-test", probe);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool MakeFolder(const std::string& folder) {
    std::error_code error;
    const bool created = std::filesystem::create_directories(folder, error);
    if (error) {
        return false;
    }
    // A folder that was there already keeps the permissions its owner gave it.
    return EntryAt(folder) == EntryKind::Folder && (!created || ::chmod(folder.c_str(), 0700) == 0);
}

std::string UserDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::string(data) + "/lindrel";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/share/lindrel";
    }
    return {};
}

bool MakeExecutable(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && ::chmod(path.c_str(), info.st_mode | S_IXUSR) == 0;
}

EntryKind EntryAt(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return EntryKind::None;
    }
    return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::File;
}

bool IsProgram(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::optional<LocalFile> LocalFile::OpenToRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd < 0 ? std::nullopt : std::optional<LocalFile>(LocalFile(fd));
}

std::optional<LocalFile> LocalFile::OpenToWrite(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? std::nullopt : std::optional<LocalFile>(LocalFile(fd));
}

LocalFile::LocalFile(LocalFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = kClosed;
}

LocalFile::~LocalFile() {
    Close();
}

bool LocalFile::Write(const char* data, std::size_t size) {
    return handle_ != kClosed && WriteAll(static_cast<int>(handle_), std::string_view(data, size));
}

std::size_t LocalFile::Read(char* buffer, std::size_t size) {
    while (handle_ != kClosed) {
        const ssize_t got = ::read(static_cast<int>(handle_), buffer, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            break;
        }
    }
    return 0;
}

bool LocalFile::Close() {
    if (handle_ == kClosed) {
        return true;
    }
    const bool closed = ::close(static_cast<int>(handle_)) == 0;
    handle_ = kClosed;
    return closed;
}

} // namespace lindrel::platform
