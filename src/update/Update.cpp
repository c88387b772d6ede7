#include "update/Update.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "launcher/ShellOpen.h"
#include "platform/Platform.h"
#include "service/HttpFetch.h"
#include "update/clsFTP.h"

#include <cstdio>
#include <stdexcept>

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
    const auto offer = ParseUpdateReply(GetURL(state.StatsBaseURL + "f=2"));
    if (!offer) {
        return false;
    }
    WriteLog(state, "Update Found: " + offer->version, 4);
    if (!offer->account) {
        WriteLog(state, "Not Enough Data in Web Page to Update", 4);
        return false;
    }
    const FtpAccount& account = *offer->account;
    if (!account.port) {
        throw std::invalid_argument("Type mismatch: port " + account.portField);
    }
    if (*account.port > clsFTP::kMaxPort || *account.port < -clsFTP::kMaxPort - 1) {
        throw std::overflow_error("Overflow: FTP port " + account.portField);
    }
    clsFTP ftp(state);
    ftp.pumpEvents = pump;
    ftp.OpenConnection(account.server, account.user, account.password, *account.port);
    pump();
    ftp.SetModeActive();
    pump();
    ftp.SetTransferBinary();
    pump();
    for (const auto& line : offer->fileLines) {
        const UpdateFileLine entry = ParseUpdateFileLine(line);
        if (entry.kind == UpdateFileLine::Kind::Skip) {
            continue;
        }
        if (entry.kind == UpdateFileLine::Kind::Refuse) {
            WriteLog(state, entry.refusal, 4);
            return false;
        }
        const UpdateFile& file = entry.file;
        WriteLog(state, "DownloadFile: " + file.folder + "|" + file.name, 4);
        pump();
        if (!ftp.SimpleFTPGetFile(state.AppFile(file.name), file.folder + "/" + file.name)) {
            WriteLog(state, "Download Failed", 4);
        }
        pump();
    }
    ftp.CloseConnection();
    pump();
    if (!platform::ListingQuery(state.AppFile("update.exe"), 0).empty() &&
        !platform::ListingQuery(state.AppFile("newfile.dat"), 0).empty()) {
        RunUpdate(state);
        return true;
    }
    return false;
}

} // namespace

std::optional<UpdateOffer> ParseUpdateReply(std::string_view reply) {
    if (reply.empty()) {
        return std::nullopt;
    }
    const auto lines = Split(TrimSpaces(reply), '\n');
    if (lines.size() < kMinLines || lines[0] == kOwnVersion) {
        return std::nullopt;
    }
    UpdateOffer offer;
    offer.version = lines[0];
    const auto fields = Split(lines[1], ',');
    if (fields.size() >= 3) {
        FtpAccount& account = offer.account.emplace();
        account.server = fields[0];
        account.user = fields[1];
        account.password = fields[2];
        if (fields.size() > 3) {
            account.portField = fields[3];
            account.port = ParseInt32(TrimSpaces(fields[3]));
        }
    }
    offer.fileLines.assign(lines.begin() + 2, lines.end());
    return offer;
}

UpdateFileLine ParseUpdateFileLine(std::string_view line) {
    UpdateFileLine entry;
    if (line.empty()) {
        return entry;
    }
    const auto fields = Split(line, ',');
    if (fields.size() != 2) {
        entry.kind = UpdateFileLine::Kind::Refuse;
        entry.refusal = "Bad Data - Not Enough File Info";
    } else if (!SafeFileName(fields[1])) {
        entry.kind = UpdateFileLine::Kind::Refuse;
        entry.refusal = "Bad Data - Unsafe File Name: " + std::string(fields[1]);
    } else {
        entry.kind = UpdateFileLine::Kind::Fetch;
        entry.file = {std::string(fields[0]), std::string(fields[1])};
    }
    return entry;
}

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
    static_cast<void>(platform::MakeExecutable(updater));
    static_cast<void>(ExecuteFile(updater, "", state.appFolder));
}

} // namespace lindrel
