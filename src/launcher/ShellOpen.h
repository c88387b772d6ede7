#pragma once

#include <string>

// Opening a file as the desktop's shell would, and the result codes and texts of that.
// Errors are values: a result code and its text; nothing here throws.
namespace lindrel {

// The result codes a shell-open reports: greater than 32 is success, 32 or less an error.
inline constexpr int kShellOutOfResources = 0;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellBadExe = 11;
inline constexpr int kShellSharingViolation = 26;
inline constexpr int kShellAssociationIncomplete = 27;
inline constexpr int kShellDdeTimeOut = 28;
inline constexpr int kShellDdeFailed = 29;
inline constexpr int kShellDdeBusy = 30;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellDllNotFound = 32;
inline constexpr int kShellSuccess = 42;

// The text for a shell result code.
std::string ShellErrorText(int code);

// Opens a file as the desktop's shell would: a program is started, detached, with the
// parameters split at spaces (no shell, no quoting) in the given folder; any other file
// goes to the desktop's opener. Returns file, parameters, " : " and the outcome's text.
std::string ExecuteFile(const std::string& file, const std::string& parameters,
                        const std::string& folder);

// The folder part of a path ("/" and "\" both separate), or "C:\" when it has none.
std::string GetFileFolder(const std::string& path);

// Lower case, with the first character and each one after a separator or a space in
// upper case.
std::string ProperCasePath(const std::string& path);
// The path with every component as the file system spells it, proper-cased.
std::string GetLongPath(const std::string& path);

} // namespace lindrel
