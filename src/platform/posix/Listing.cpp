#include "platform/Platform.h"

#include <algorithm>

namespace lindrel::platform {

namespace {

constexpr int kFoldersBit = 16;

} // namespace

std::string ListingQuery(const std::string& path, int mask) {
    const EntryKind kind = EntryAt(path);
    if (kind == EntryKind::None || (kind == EntryKind::Folder && (mask & kFoldersBit) == 0)) {
        return {};
    }
    const auto last =
        std::find_if(path.rbegin(), path.rend(), [](char c) { return c == '/' || c == '\\'; });
    return last == path.rend() ? path : path.substr(static_cast<std::size_t>(path.rend() - last));
}

} // namespace lindrel::platform
