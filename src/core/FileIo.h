#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lindrel {

// Replaces a file's content as one step: the bytes go to a temporary file in the same
// folder, which is then renamed over the target, so a reader (or the next start after
// a crash) sees either the old content or the new one, never a part. An existing
// target's permission bits are kept. Returns false, leaving the target untouched, when
// anything fails.
bool ReplaceFileContent(const std::string& path, std::string_view content);

// The whole content of a file; empty when it cannot be opened or read.
std::optional<std::string> ReadFileContent(const std::string& path);

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
