#include "app/Application.h"
#include "core/AppState.h"
#include "core/ProgramFolder.h"

#include <filesystem>
#include <system_error>

int main() {
    std::string folder = lindrel::ProgramFolder();
    if (folder.empty()) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
    }
    lindrel::AppState state(folder);
    lindrel::StartApplication(state);
    lindrel::EndApplication(state);
    return 0;
}
