#include "core/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lindrel {

namespace {

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

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    bool ok = true;
    if (::stat(path.c_str(), &existing) == 0) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, content);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) {
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
    std::string content;
    char buffer[16384];
    while (true) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return content;
}

bool LineReader::Next(std::string_view& line) {
    if (rest_.empty()) {
        return false;
    }
    const auto end = rest_.find('\n');
    if (end == std::string_view::npos) {
        line = rest_;
        rest_ = {};
    } else {
        line = rest_.substr(0, end);
        rest_.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return true;
}

} // namespace lindrel
