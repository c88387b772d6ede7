#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the programs need of the operating system, and nothing else: the one seam a port
// to another system replaces (one folder per system beside this header: posix/, win32/).
// Errors are values: false, an empty optional, or a StartResult; nothing here throws.
//
// Paths and texts are bytes as the system takes them. On Windows, where the system's
// calls take UTF-16, a text that is valid UTF-8 is read as UTF-8 and any other as the
// ANSI code page (the single-byte texts of the settings), and what comes back is UTF-8.
namespace lindrel::platform {

// --- Files -------------------------------------------------------------------------

// The folder that holds the running program's file, without a trailing separator
// (except for the root folder itself). Empty when the system cannot tell.
std::string ProgramFolder();

// Replaces a file's content as one step: the bytes go to a new temporary file in the same
// folder, created exclusively under a random name (never through a link), synced, and
// renamed over the target; the folder is synced after the rename. A reader, or the next
// start after a crash or a power loss, sees either the old content or the new one, never a
// part. An existing target's permission bits are kept. Returns false, leaving the target
// untouched, when anything fails.
bool ReplaceFileContent(const std::string& path, std::string_view content);

// The whole content of a file; empty when it cannot be opened or read.
std::optional<std::string> ReadFileContent(const std::string& path);

// A file read from a folder others may write into: it must be a regular file of at most
// maxBytes. It is opened without blocking and checked once open, so a FIFO or a device
// (or a link to one) is refused at once. Empty with error empty when the file does not
// exist; empty with error set (naming the file) when it is refused or cannot be read.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string& error);

// Appends bytes to a file, creating it, in one write: entries two processes append at
// once never interleave. False when the file cannot be opened or written.
bool AppendToFile(const std::string& path, std::string_view bytes);

// Deletes a file. True when it is gone afterwards (it was never there counts).
bool RemoveFile(const std::string& path);

// Renames a file, replacing what is at the new path. False when it stays where it was.
bool RenameFile(const std::string& from, const std::string& to);

// A file opened through the system's own calls, closed when it goes.
class LocalFile {
public:
    // For reading; or for writing, created or emptied. Empty when it cannot be opened.
    static std::optional<LocalFile> OpenToRead(const std::string& path);
    static std::optional<LocalFile> OpenToWrite(const std::string& path);
    LocalFile(LocalFile&& other) noexcept;
    LocalFile& operator=(LocalFile&&) = delete;
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    ~LocalFile();

    // Writes all of data; false when the system takes less.
    bool Write(const char* data, std::size_t size);
    // Up to size bytes; 0 at the end or on a failure.
    std::size_t Read(char* buffer, std::size_t size);
    // False when what was written could not be kept.
    bool Close();

private:
    explicit LocalFile(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_; // the system's descriptor or handle; kClosed once closed
    static constexpr std::intptr_t kClosed = -1;
};

// Whether this process can create files in a folder, tried for real (permission bits,
// read-only mounts and the user all count).
bool IsWritableFolder(const std::string& folder);

// Creates a folder and any missing parents; a new folder is private to the user (0700).
// True when the folder is there afterwards.
bool MakeFolder(const std::string& folder);

// The folder for the monitor's data in the user's profile: on POSIX systems "lindrel" in
// the XDG data folder ($XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share); on Windows "Lindrel" in %APPDATA%. Empty when it cannot be told.
// Not created here.
std::string UserDataFolder();

// Sets the owner's execute bit on a file (one fetched over the network has none). Where
// the system has no such bit (Windows), true when the file is there.
bool MakeExecutable(const std::string& path);

enum class EntryKind { None, File, Folder };
// What is at a path, following links.
EntryKind EntryAt(const std::string& path);
// Whether the file at path may be run as a program by this user (on Windows: an .exe or
// .com file).
bool IsProgram(const std::string& path);

// The name of the file system entry at path (its last component, "/" and "\" both
// separating), or empty when there is none. Mask 55 also finds folders; 0 and 39 find
// files only.
inline constexpr int kListFiles = 39;
inline constexpr int kListFilesAndFolders = 55;
std::string ListingQuery(const std::string& path, int mask);

// --- Programs ----------------------------------------------------------------------

enum class StartResult {
    Started,
    FileNotFound,
    PathNotFound,
    AccessDenied,
    OutOfMemory,
    NotAProgram,
    // Only the Windows shell reports these, when it opens a document.
    SharingViolation,
    AssociationIncomplete,
    DdeFailed,
    NoAssociation,
    DllNotFound,
};

// Starts a program detached from this one (nobody's child to reap, in a session of its
// own) in folder, with exactly these arguments: no shell reads them (on Windows they are
// quoted into one command line that the program's CommandLineToArgvW reads back as these
// arguments). Reports whether the program itself could be started, not how it ends.
StartResult StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder);

// Hands a file that is not a program to the desktop's opener (the one its type is
// associated with). FileNotFound when the desktop has no opener (on POSIX systems);
// NoAssociation when the type has no opener (on Windows).
StartResult OpenWithDesktop(const std::string& file, const std::string& folder);

// Names the calling thread as ps, top and /proc show it (at most 15 bytes are kept).
void NameThisThread(const std::string& name);

// Raises this process's limit of open files (sockets among them) to the most the system
// allows it, and returns the limit now in force; SIZE_MAX where there is none to speak of.
std::size_t RaiseOpenFileLimit();

// --- Screen ------------------------------------------------------------------------

struct ScreenSize {
    int width = 0;
    int height = 0;
};
// The size of a maximised window's client area on the primary screen as the system states
// it (Windows), in device pixels; empty where the system leaves it to the window toolkit.
std::optional<ScreenSize> FullScreenSize();

// A rectangle of a window's device pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
// Shapes a top-level window to the union of these rectangles of its own device pixels,
// so that a shape scanned from a skin drawn at the screen's density follows its painted
// edge to the pixel (the toolkit's masks are in its logical pixels, which a scaled
// screen blows up). window is the system's: an X11 window id, a Windows HWND. False where
// the system cannot shape it; the window is then left as it was.
bool ShapeWindow(std::uintptr_t window, const std::vector<PixelRect>& rects);

// The window system the toolkit is to use when the user chose none: X11 ("xcb") where an
// X display is there, so that the windows can place themselves (Wayland does not let
// them); empty to leave the choice to the toolkit (on Windows there is one).
std::string PreferredWindowSystem();

// Whether the user is in a program that fills the screen (a game, a presentation), where
// a notice would take it out of full screen or be lost under it: on X11 the active
// window's _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN; on Windows the shell's
// notification state is busy, Direct3D full screen, presentation mode or quiet time.
// False where the system cannot tell.
bool UserIsInFullScreen();

// --- Clock and locale --------------------------------------------------------------

// The local time now, from one clock reading.
std::tm LocalTimeNow();

// The user's LC_TIME locale name from the environment (LC_ALL, LC_TIME, LANG); empty
// when none is set.
std::string UserTimeLocale();

// strftime's format in the named locale; empty when the locale is not installed or the
// result is empty.
std::optional<std::string> FormatTimeInLocale(const std::tm& when, const std::string& localeName,
                                              const char* format);

} // namespace lindrel::platform
