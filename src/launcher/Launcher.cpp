#include "launcher/Launcher.h"

#include "base/Text.h"
#include "core/AppState.h"
#include "core/Log.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace lindrel {

namespace {

void CollapseDoubleSpaces(std::string& text) {
    std::string collapsed;
    collapsed.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        collapsed += text[i];
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            ++i; // a pair becomes one space
        }
    }
    text = std::move(collapsed);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

int CodeForErrno(int error) {
    switch (error) {
    case ENOENT:
        return kShellFileNotFound;
    case ENOTDIR:
        return kShellPathNotFound;
    case EACCES:
    case EPERM:
        return kShellAccessDenied;
    case ENOMEM:
        return kShellOutOfMemory;
    default:
        return kShellBadExe;
    }
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string GameCommandLine(const AppState& state, int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        throw std::out_of_range("slot " + std::to_string(slot) + " is not 0 to 4");
    }
    const std::string key =
        GameTypeCollection::KeyFor(ReadWholeNumber(state.ServerData(slot, GameTypeID)));
    const clsGameType* type = state.GameTypes.Find(key);
    if (type == nullptr) {
        throw std::invalid_argument("no game type " + key);
    }
    const auto& field = [&](int f) -> const std::string& { return state.ServerData(slot, f); };
    const std::string exec = field(PlayerConfig).empty() ? "" : " +exec " + field(PlayerConfig);
    std::string line = " " + type->GameMOD() + " ";
    line += exec + " ";
    if (!field(RconPwd).empty()) {
        line += type->GameRCON() + " " + field(RconPwd);
    }
    line += " ";
    if (!field(GamePwd).empty()) {
        line += type->GamePassword() + " " + field(GamePwd);
    }
    line += " ";
    line += exec + " ";
    line += "+connect " + field(ServerIP) + ":" + field(ServerPort) + " ";
    line += field(OtherCmds);
    line = std::string(TrimSpaces(line));
    for (int pass = 0; pass < 4; ++pass) {
        CollapseDoubleSpaces(line);
    }
    return line;
}

void RunGame(AppState& state, int slot) {
    try {
        const std::string line = GameCommandLine(state, slot);
        const std::string& program = state.ServerData(slot, ExePath);
        static_cast<void>(ExecuteFile(program, line, GetFileFolder(program)));
    } catch (const std::exception& failure) {
        WriteLog(state, HandlerLogLine("RunGame", failure), 4);
    }
}

std::string GetFileFolder(const std::string& path) {
    const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    if (last == path.rend()) {
        return "C:\\";
    }
    return path.substr(0, static_cast<std::size_t>(path.rend() - last) - 1);
}

std::string ShellErrorText(int code) {
    if (code == 1 || code > 32) {
        return "Operation successful";
    }
    switch (code) {
    case 0:
    case 8:
        return "Out of memory";
    case 2:
        return "File Not found";
    case 3:
        return "Path Not found";
    case 5:
        return "Access denied";
    case 11:
        return "Invalid EXE file or Error in EXE image";
    case 26:
        return "A sharing violation occurred";
    case 27:
        return "Incomplete or invalid file association";
    case 28:
        return "DDE Time out";
    case 29:
        return "DDE transaction failed";
    case 30:
        return "DDE busy";
    case 31:
        return "No association For file extension";
    case 32:
        return "DLL Not found";
    default:
        return "Unknown error";
    }
}

int StartDetached(const std::string& program, const std::string& parameters,
                  const std::string& folder) {
    std::vector<std::string> args = {program};
    for (const auto piece : Split(parameters, ' ')) {
        if (!piece.empty()) {
            args.emplace_back(piece);
        }
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through the pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return kShellOutOfMemory;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return kShellOutOfMemory;
    }
    if (child == 0) {
        // The middle process ends at once, so the game is nobody's child to reap.
        ::setsid();
        if (::fork() == 0) {
            int error = 0;
            if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
                error = ENOTDIR;
            } else {
                ::execv(program.c_str(), argv.data());
                error = errno;
            }
            static_cast<void>(::write(report[1], &error, sizeof error));
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::waitpid(child, nullptr, 0);
    int error = 0;
    const ssize_t got = ::read(report[0], &error, sizeof error);
    ::close(report[0]);
    return got == static_cast<ssize_t>(sizeof error) ? CodeForErrno(error) : kShellSuccess;
}

std::string ExecuteFile(const std::string& file, const std::string& parameters,
                        const std::string& folder) {
    int code = kShellSuccess;
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        code = kShellFileNotFound;
    } else if (!folder.empty() && !IsDirectory(folder)) {
        code = kShellPathNotFound;
    } else if (::access(file.c_str(), X_OK) == 0) {
        code = StartDetached(file, parameters, folder);
    } else {
        // Not a program: the desktop's opener decides what opens it.
        code = StartDetached("/usr/bin/xdg-open", file, folder);
        if (code == kShellFileNotFound) {
            code = kShellNoAssociation;
        }
    }
    std::string shown = parameters;
    if (!ListingQuery(parameters, kListFiles).empty()) {
        shown = ProperCasePath(GetLongPath(parameters));
    }
    return file + " " + shown + " : " + ShellErrorText(code);
}

std::string ProperCasePath(const std::string& path) {
    std::string proper = path;
    bool upper = true;
    for (char& c : proper) {
        c = upper && c >= 'a' && c <= 'z'    ? static_cast<char>(c - 32)
            : !upper && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32)
                                             : c;
        upper = IsSeparator(c) || c == ' ';
    }
    return proper;
}

std::string GetLongPath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::string rest = path;
    const bool trailing = IsSeparator(rest.back());
    if (trailing) {
        rest.pop_back();
    }
    const auto lastSeparator = [](const std::string& text) {
        const auto found = std::find_if(text.rbegin(), text.rend(), IsSeparator);
        return found == text.rend() ? std::string::npos
                                    : static_cast<std::size_t>(text.rend() - found) - 1;
    };
    std::string result;
    if (lastSeparator(rest) == std::string::npos) {
        result = ListingQuery(rest, kListFilesAndFolders);
    } else {
        result = ListingQuery(rest, kListFilesAndFolders);
        if (result.empty()) {
            return path;
        }
        rest = rest.substr(0, lastSeparator(rest));
        while (lastSeparator(rest) != std::string::npos) {
            result.insert(0, ListingQuery(rest, kListFilesAndFolders) + "/");
            rest = rest.substr(0, lastSeparator(rest));
        }
        result = rest + "/" + result;
    }
    if (trailing) {
        result += "/";
    }
    return ProperCasePath(result);
}

std::string ListingQuery(const std::string& path, int mask) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return {};
    }
    const bool folders = (mask & 16) != 0;
    if (S_ISDIR(info.st_mode) && !folders) {
        return {};
    }
    const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    return last == path.rend() ? path : path.substr(static_cast<std::size_t>(path.rend() - last));
}

} // namespace lindrel
