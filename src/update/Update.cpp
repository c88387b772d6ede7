#include "update/Update.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/Text.h"
#include "launcher/Launcher.h"
#include "service/HttpFetch.h"
#include "update/clsFTP.h"

#include <cstdio>
#include <stdexcept>
#include <sys/stat.h>

namespace lindrel {

namespace {

constexpr std::size_t kMinLines = 4;

// The service names files that land in the program's folder: a name that could point
// anywhere else is refused.
bool SafeFileName(std::string_view name) {
    return !name.empty() && name.find_first_of("/\\") == std::string_view::npos &&
           name.find("..") == std::string_view::npos &&
           name.find_first_not_of('.') != std::string_view::npos;
}

bool Check(AppState& state, const std::function<void()>& pump) {
    const std::string reply = GetURL(state.StatsBaseURL + "f=2");
    if (reply.empty()) {
        return false;
    }
    const auto lines = Split(TrimSpaces(reply), '\n');
    if (lines.size() < kMinLines || lines[0] == kOwnVersion) {
        return false;
    }
    WriteLog(state, "Update Found: " + std::string(lines[0]), 4);
    const auto account = Split(lines[1], ',');
    if (account.size() < 3) {
        WriteLog(state, "Not Enough Data in Web Page to Update", 4);
        return false;
    }
    std::int32_t port = 21;
    if (account.size() > 3) {
        const auto number = ParseInt32(TrimSpaces(account[3]));
        if (!number) {
            throw std::invalid_argument("Type mismatch: port " + std::string(account[3]));
        }
        port = *number;
    }
    clsFTP ftp(state);
    ftp.pumpEvents = pump;
    ftp.OpenConnection(std::string(account[0]), std::string(account[1]), std::string(account[2]),
                       port);
    pump();
    ftp.SetModeActive();
    pump();
    ftp.SetTransferBinary();
    pump();
    for (std::size_t i = 2; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            continue;
        }
        const auto file = Split(lines[i], ',');
        if (file.size() != 2) {
            WriteLog(state, "Bad Data - Not Enough File Info", 4);
            return false;
        }
        if (!SafeFileName(file[1])) {
            WriteLog(state, "Bad Data - Unsafe File Name: " + std::string(file[1]), 4);
            return false;
        }
        WriteLog(state, "DownloadFile: " + std::string(file[0]) + "|" + std::string(file[1]), 4);
        pump();
        if (!ftp.SimpleFTPGetFile(state.AppFile(file[1]),
                                  std::string(file[0]) + "/" + std::string(file[1]))) {
            WriteLog(state, "Download Failed", 4);
        }
        pump();
    }
    ftp.CloseConnection();
    pump();
    if (!ListingQuery(state.AppFile("update.exe"), 0).empty() &&
        !ListingQuery(state.AppFile("newfile.dat"), 0).empty()) {
        RunUpdate(state);
        return true;
    }
    return false;
}

} // namespace

void RemoveUpdateFiles(const AppState& state) {
    std::remove(state.AppFile("update.exe").c_str());
    std::remove(state.AppFile("newfile.dat").c_str());
}

bool CheckForUpdate(AppState& state, const std::function<void()>& pumpEvents) {
    try {
        return Check(state, pumpEvents);
    } catch (const std::exception& failure) {
        WriteLog(state, HandlerLogLine("CheckForUpdate", failure), 4);
        return false;
    }
}

void RunUpdate(const AppState& state) {
    const std::string updater = state.AppFile("update.exe");
    // A file fetched over FTP is not executable here; the updater must be.
    struct stat info {};
    if (::stat(updater.c_str(), &info) == 0) {
        ::chmod(updater.c_str(), info.st_mode | S_IXUSR);
    }
    static_cast<void>(ExecuteFile(updater, "", state.appFolder));
}

} // namespace lindrel
