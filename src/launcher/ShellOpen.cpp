#include "launcher/ShellOpen.h"

#include "base/Text.h"
#include "platform/Platform.h"

#include <algorithm>
#include <vector>

namespace lindrel {

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

int CodeFor(platform::StartResult result) {
    switch (result) {
    case platform::StartResult::Started:
        return kShellSuccess;
    case platform::StartResult::FileNotFound:
        return kShellFileNotFound;
    case platform::StartResult::PathNotFound:
        return kShellPathNotFound;
    case platform::StartResult::AccessDenied:
        return kShellAccessDenied;
    case platform::StartResult::OutOfMemory:
        return kShellOutOfMemory;
    case platform::StartResult::NotAProgram:
        return kShellBadExe;
    case platform::StartResult::SharingViolation:
        return kShellSharingViolation;
    case platform::StartResult::AssociationIncomplete:
        return kShellAssociationIncomplete;
    case platform::StartResult::DdeFailed:
        return kShellDdeFailed;
    case platform::StartResult::NoAssociation:
        return kShellNoAssociation;
    case platform::StartResult::DllNotFound:
        return kShellDllNotFound;
    }
    return kShellBadExe;
}

// Parameters as the shell passes them: split at spaces, empty pieces dropped.
std::vector<std::string> Arguments(const std::string& parameters) {
    std::vector<std::string> arguments;
    for (const auto piece : Split(parameters, ' ')) {
        if (!piece.empty()) {
            arguments.emplace_back(piece);
        }
    }
    return arguments;
}

} // namespace

std::string GetFileFolder(const std::string& path) {
    const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    if (last == path.rend()) {
        return "C:\\";
    }
    return path.substr(0, static_cast<std::size_t>(path.rend() - last) - 1);
}

std::string ShellErrorText(int code) {
    if (code == 1 || code > kShellDllNotFound) {
        return "Operation successful";
    }
    switch (code) {
    case kShellOutOfResources:
    case kShellOutOfMemory:
        return "Out of memory";
    case kShellFileNotFound:
        return "File Not found";
    case kShellPathNotFound:
        return "Path Not found";
    case kShellAccessDenied:
        return "Access denied";
    case kShellBadExe:
        return "Invalid EXE file or Error in EXE image";
    case kShellSharingViolation:
        return "A sharing violation occurred";
    case kShellAssociationIncomplete:
        return "Incomplete or invalid file association";
    case kShellDdeTimeOut:
        return "DDE Time out";
    case kShellDdeFailed:
        return "DDE transaction failed";
    case kShellDdeBusy:
        return "DDE busy";
    case kShellNoAssociation:
        return "No association For file extension";
    case kShellDllNotFound:
        return "DLL Not found";
    default:
        return "Unknown error";
    }
}

std::string ExecuteFile(const std::string& file, const std::string& parameters,
                        const std::string& folder) {
    int code = kShellSuccess;
    if (platform::EntryAt(file) != platform::EntryKind::File) {
        code = kShellFileNotFound;
    } else if (!folder.empty() && platform::EntryAt(folder) != platform::EntryKind::Folder) {
        code = kShellPathNotFound;
    } else if (platform::IsProgram(file)) {
        code = CodeFor(platform::StartDetached(file, Arguments(parameters), folder));
    } else {
        // Not a program: the desktop's opener decides what opens it.
        const auto opened = platform::OpenWithDesktop(file, folder);
        code =
            opened == platform::StartResult::FileNotFound ? kShellNoAssociation : CodeFor(opened);
    }
    std::string shown = parameters;
    if (!platform::ListingQuery(parameters, platform::kListFiles).empty()) {
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
        result = platform::ListingQuery(rest, platform::kListFilesAndFolders);
    } else {
        result = platform::ListingQuery(rest, platform::kListFilesAndFolders);
        if (result.empty()) {
            return path;
        }
        rest = rest.substr(0, lastSeparator(rest));
        while (lastSeparator(rest) != std::string::npos) {
            result.insert(0, platform::ListingQuery(rest, platform::kListFilesAndFolders) + "/");
            rest = rest.substr(0, lastSeparator(rest));
        }
        result = rest + "/" + result;
    }
    if (trailing) {
        result += "/";
    }
    return ProperCasePath(result);
}

} // namespace lindrel
