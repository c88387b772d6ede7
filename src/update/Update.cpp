#include "update/Update.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "launcher/ShellOpen.h"
#include "platform/Platform.h"
#include "service/HttpFetch.h"
#include "update/Signature.h"
#include "update/clsFTP.h"

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

// An update's files are at most this large: each is read whole for its signature check.
constexpr std::size_t kMaxUpdateFileBytes = std::size_t{256} << 20;
// Where a file's signature is, beside it on the server and in the program's folder.
std::string SignatureOf(std::string_view name) {
    return std::string(name) + ".minisig";
}

// A file this check fetched into the program's folder, and whether its signature came too.
struct Fetched {
    std::string name;
    bool signatureFetched = false;
};

void RemoveFetched(const AppState& state, const std::vector<Fetched>& fetched) {
    for (const Fetched& file : fetched) {
        static_cast<void>(platform::RemoveFile(state.AppFile(file.name)));
        static_cast<void>(platform::RemoveFile(state.AppFile(SignatureOf(file.name))));
    }
}

// Why one fetched file may not be used; empty when it is signed by the key for this very
// version and name.
std::optional<std::string> Refusal(const AppState& state, const PublicKey& key,
                                   const std::string& version, const Fetched& file) {
    if (!file.signatureFetched) {
        return "no signature";
    }
    std::string error;
    const auto signature = platform::ReadRegularFile(state.AppFile(SignatureOf(file.name)),
                                                     kMaxSignatureFileBytes, error);
    if (!signature) {
        return error.empty() ? "no signature" : "unreadable signature";
    }
    const auto content =
        platform::ReadRegularFile(state.AppFile(file.name), kMaxUpdateFileBytes, error);
    if (!content) {
        return "unreadable file";
    }
    const SignatureCheck check =
        VerifySignature(key, *content, *signature, "lindrel-update " + version + " " + file.name);
    if (check != SignatureCheck::Good) {
        return std::string(SignatureCheckText(check));
    }
    return std::nullopt;
}

bool Check(AppState& state, const std::function<void()>& pump) {
    const auto offer = ParseUpdateReply(GetURL(state.StatsBaseURL + "f=2"));
    if (!offer) {
        return false;
    }
    WriteLog(state, "Update Found: " + offer->version, 4);
    const auto key = ParsePublicKey(state.UpdatePublicKey);
    if (!key) {
        WriteLog(state, "Update Refused: this build has no update key", 4);
        return false;
    }
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
    std::vector<Fetched> fetched;
    for (const auto& line : offer->fileLines) {
        const UpdateFileLine entry = ParseUpdateFileLine(line);
        if (entry.kind == UpdateFileLine::Kind::Skip) {
            continue;
        }
        if (entry.kind == UpdateFileLine::Kind::Refuse) {
            WriteLog(state, entry.refusal, 4);
            RemoveFetched(state, fetched); // none of them was checked
            return false;
        }
        const UpdateFile& file = entry.file;
        WriteLog(state, "DownloadFile: " + file.folder + "|" + file.name, 4);
        pump();
        const std::string remote = file.folder + "/" + file.name;
        if (!ftp.SimpleFTPGetFile(state.AppFile(file.name), remote)) {
            WriteLog(state, "Download Failed", 4);
        } else {
            // A signature left from before must never stand in for this file's.
            const std::string signature = SignatureOf(file.name);
            static_cast<void>(platform::RemoveFile(state.AppFile(signature)));
            fetched.push_back(
                {file.name, ftp.SimpleFTPGetFile(state.AppFile(signature), SignatureOf(remote))});
        }
        pump();
    }
    ftp.CloseConnection();
    pump();
    for (const Fetched& file : fetched) {
        if (const auto refusal = Refusal(state, *key, offer->version, file)) {
            WriteLog(state, "Update Refused: " + file.name + ": " + *refusal, 4);
            RemoveFetched(state, fetched);
            return false;
        }
    }
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
    for (const char* name : {"update.exe", "newfile.dat"}) {
        static_cast<void>(platform::RemoveFile(state.AppFile(name)));
        static_cast<void>(platform::RemoveFile(state.AppFile(SignatureOf(name))));
    }
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
