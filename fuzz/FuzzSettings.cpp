// Both settings files with any content: loading never fails, and what was loaded is
// saved and loaded back unchanged.
#include "core/AppState.h"
#include "core/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "lindrel-fuzz-XXXXXX");
        return std::string(::mkdtemp(pattern.data()));
    }();
    return folder;
}

void Write(const std::string& path, std::string_view content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The input holds both files, split at the first 0xFF byte.
    const auto split = input.find('\xff');
    lindrel::AppState state(Folder());
    Write(state.AppFile("lindrel.dat"), input.substr(0, split));
    Write(state.AppFile("global.dat"),
          split == std::string_view::npos ? std::string_view() : input.substr(split + 1));
    lindrel::LoadSettings(state);

    lindrel::SaveSettings(state);
    lindrel::AppState again(Folder());
    again.DefaultServers = state.DefaultServers;
    lindrel::LoadSettings(again);
    if (again.ServerData != state.ServerData) {
        std::abort();
    }
    return 0;
}
