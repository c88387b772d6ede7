#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// File helpers of both programs. Errors are values: false or an empty optional, with a
// reason in an out-parameter where a caller shows one.
namespace lindrel {

// Replaces a file's content as one step: the bytes go to a new temporary file in the same
// folder, created exclusively under a random name (never through a link), synced, and
// renamed over the target; the folder is synced after the rename. A reader, or the next
// start after a crash or a power loss, sees either the old content or the new one, never a
// part. An existing target's permission bits are kept. Returns false, leaving the target
// untouched, when anything fails.
bool ReplaceFileContent(const std::string& path, std::string_view content);

// The whole content of a file; empty when it cannot be opened or read.
std::optional<std::string> ReadFileContent(const std::string& path);

// A file read from a folder others may write into: it must be a regular file of at most
// maxBytes. It is opened without blocking and checked once open, so a FIFO or a device
// (or a link to one) is refused at once. Empty with error empty when the file does not
// exist; empty with error set (naming the file) when it is refused or cannot be read.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string& error);

// Walks the lines of a text: each ends at LF, a CR before the LF is dropped, and a last
// line without LF still counts.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& line);

private:
    std::string_view rest_;
};

} // namespace lindrel
