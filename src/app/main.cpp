#include "app/Application.h"
#include "core/AppState.h"
#include "core/ProgramFolder.h"
#include "service/StatsBaseUrl.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The program lives in the tray: closing or hiding a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    std::string folder = lindrel::ProgramFolder();
    if (folder.empty()) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
    }
    lindrel::AppState state(folder);
    state.StatsBaseURL = lindrel::kStatsBaseURL;
    lindrel::Monitor monitor(state, lindrel::ScreenMetrics::Primary());
    if (!monitor.StartApplication()) {
        return 0; // an updater took over
    }
    return QApplication::exec();
}
