#include "app/Application.h"
#include "core/AppState.h"
#include "core/ProgramFolder.h"
#include "service/AlertSink.h"
#include "service/StatsBaseUrl.h"

#include <filesystem>
#include <iostream>
#include <system_error>

namespace {

// Until the status window exists, alerts go to the terminal.
class ConsoleAlerts : public lindrel::AlertSink {
public:
    void SendPopUpMsg(const std::string& MyTip, const std::string& MyMessage,
                      int /*MyIcon*/) override {
        std::cout << "[" << MyTip << "]\n" << MyMessage << std::endl;
    }
};

} // namespace

int main() {
    std::string folder = lindrel::ProgramFolder();
    if (folder.empty()) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
    }
    lindrel::AppState state(folder);
    state.StatsBaseURL = lindrel::kStatsBaseURL;
    ConsoleAlerts alerts;
    lindrel::StartApplication(state, alerts);
    lindrel::EndApplication(state);
    return 0;
}
