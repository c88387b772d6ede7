#include "app/Application.h"
#include "core/AppState.h"
#include "core/DataFolder.h"
#include "platform/Platform.h"
#include "service/StatsBaseUrl.h"
#include "update/UpdateKey.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv) {
    lindrel::PreferPlaceableWindows();
    QApplication app(argc, argv);
    std::string folder = lindrel::platform::ProgramFolder();
    if (folder.empty()) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
    }
    lindrel::AppState state(lindrel::ChooseDataFolder(folder));
    state.StatsBaseURL = lindrel::kStatsBaseURL;
    state.UpdatePublicKey = lindrel::kUpdatePublicKey;
    return lindrel::RunMonitor(state);
}
