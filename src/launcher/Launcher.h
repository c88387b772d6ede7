#pragma once

#include <string>

namespace lindrel {

struct AppState;

// The game's parameters for a slot: the mod, the config (twice), the passwords, the
// server and the user's own commands, spaces trimmed and collapsed. Throws when the slot
// is not 0 to 4 (std::out_of_range) or its game type is not listed (std::invalid_argument).
std::string GameCommandLine(const AppState& state, int slot);

// Starts the slot's game connected to its server, in the game program's folder. A
// failure is logged as "RunGame_Error [...]" and nothing starts; a game that fails to
// start is not reported.
void RunGame(AppState& state, int slot);

// The folder part of a path ("/" and "\" both separate), or "C:\" when it has none.
std::string GetFileFolder(const std::string& path);

// Opens a file as the desktop's shell would: a program is started, detached, with the
// parameters split at spaces (no shell, no quoting) in the given folder; any other file
// goes to the desktop's opener. Returns file, parameters, " : " and the outcome's text.
std::string ExecuteFile(const std::string& file, const std::string& parameters,
                        const std::string& folder);

// The text for a shell result code: greater than 32 is success, 32 or less an error.
std::string ShellErrorText(int code);

// The result codes ExecuteFile's outcomes map onto.
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellBadExe = 11;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellSuccess = 42;

// Runs a program detached in a folder; returns one of the codes above.
int StartDetached(const std::string& program, const std::string& parameters,
                  const std::string& folder);

// Lower case, with the first character and each one after a separator or a space in
// upper case.
std::string ProperCasePath(const std::string& path);
// The path with every component as the file system spells it, proper-cased.
std::string GetLongPath(const std::string& path);

// The name of the file system entry at path, or empty when there is none. Mask 55 also
// finds folders; 0 and 39 find files only.
inline constexpr int kListFiles = 39;
inline constexpr int kListFilesAndFolders = 55;
std::string ListingQuery(const std::string& path, int mask);

} // namespace lindrel
