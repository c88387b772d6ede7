#include "core/AppState.h"

#include <algorithm>

namespace lindrel {

void GlobalTable::SetDefaults() {
    items_ = {"Join Quorvane", "Yourpass", "", "", ""};
}

bool GameTypeCollection::Add(const std::string& key, clsGameType record) {
    if (Find(key) != nullptr) {
        return false;
    }
    entries_.emplace_back(key, std::move(record));
    return true;
}

const clsGameType* GameTypeCollection::Find(std::string_view key) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [key](const auto& entry) { return entry.first == key; });
    return found == entries_.end() ? nullptr : &found->second;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::string AppState::AppFile(std::string_view name) const {
    return JoinPath(appFolder, name);
}

const std::string& AppState::ServerCaption(int slot) const {
    const std::string& own = ServerData(slot, ServerName);
    return own.empty() ? ServerStatus.at(static_cast<std::size_t>(slot)).ReportedName : own;
}

} // namespace lindrel
