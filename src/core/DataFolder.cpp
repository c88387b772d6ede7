#include "core/DataFolder.h"

#include "core/AppState.h"
#include "platform/Platform.h"

namespace lindrel {

namespace {

constexpr const char* kSettingsFiles[] = {"lindrel.dat", "global.dat"};

} // namespace

std::string ChooseDataFolder(const std::string& programFolder) {
    if (platform::IsWritableFolder(programFolder)) {
        return programFolder;
    }
    std::string folder = platform::UserDataFolder();
    if (folder.empty() || !platform::MakeFolder(folder)) {
        return programFolder;
    }
    for (const char* name : kSettingsFiles) {
        const std::string target = JoinPath(folder, name);
        if (platform::EntryAt(target) != platform::EntryKind::None) {
            continue;
        }
        if (const auto content = platform::ReadFileContent(JoinPath(programFolder, name))) {
            static_cast<void>(platform::ReplaceFileContent(target, *content));
        }
    }
    return folder;
}

} // namespace lindrel
