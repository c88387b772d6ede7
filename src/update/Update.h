#pragma once

#include "base/Version.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The self-update at start. Errors: CheckForUpdate logs every failure and returns false;
// inside it a failure throws, up to its one handler. clsFTP returns false with a reason.
namespace lindrel {

struct AppState;

// Deletes "update.exe" and "newfile.dat" and their signatures from the program's folder;
// failures are ignored.
void RemoveUpdateFiles(const AppState& state);

// Asks the service for a version other than this one ("f=2"), fetches its files over FTP
// into the program's folder, each with its minisign signature (FILE.minisig beside it),
// and starts "update.exe" when it and "newfile.dat" are there. Nothing is started unless
// every fetched file is signed by state.UpdatePublicKey with the trusted comment
// "lindrel-update VERSION FILE": one that is not refuses the whole update ("Update
// Refused: FILE: REASON") and every fetched file goes. Without a key nothing is fetched.
// Returns true when the updater was started: the program must end at once. Failures are
// logged as "CheckForUpdate_Error [...]" and the start goes on.
bool CheckForUpdate(AppState& state, const std::function<void()>& pumpEvents);

// Starts "update.exe" in the program's folder, with no parameters.
void RunUpdate(const AppState& state);

inline constexpr const char* kOwnVersion = kVersion;

struct FtpAccount {
    std::string server;
    std::string user;
    std::string password;
    std::optional<std::int32_t> port = 21; // empty: the port field is not a number
    std::string portField;
};

// The service's "f=2" reply: a version line, an account line, then one "folder,name" line
// per file.
struct UpdateOffer {
    std::string version;
    std::optional<FtpAccount> account;  // empty: the account line has under three fields
    std::vector<std::string> fileLines; // as sent; each is read when its turn comes
};

// Empty when nothing is on offer: no reply, under four lines, or this very version.
std::optional<UpdateOffer> ParseUpdateReply(std::string_view reply);

struct UpdateFile {
    std::string folder;
    std::string name;
};

// One file line: skipped (empty), a file to fetch, or refused with the line to log,
// which stops the check.
struct UpdateFileLine {
    enum class Kind { Skip, Fetch, Refuse } kind = Kind::Skip;
    UpdateFile file;
    std::string refusal;
};
UpdateFileLine ParseUpdateFileLine(std::string_view line);

} // namespace lindrel
