#include "platform/Platform.h"

#include "core/AppState.h"
#include "core/DataFolder.h"
#include "core/Log.h"
#include "platform/win32/NoticeState.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace lindrel {
namespace {

namespace fs = std::filesystem;

std::string Native(const fs::path& path) {
    return path.string();
}

TEST(Win32Files, ReplaceReadAndAppendKeepEveryByte) {
    test::TempDir dir;
    const std::string file = Native(dir / "settings.dat");
    const std::string bytes("line one\r\nline two\n\0\xff end", 22);
    ASSERT_TRUE(platform::ReplaceFileContent(file, bytes));
    EXPECT_EQ(platform::ReadFileContent(file), bytes);
    ASSERT_TRUE(platform::ReplaceFileContent(file, "shorter"));
    EXPECT_EQ(platform::ReadFileContent(file), "shorter");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "a temporary file was left behind";

    EXPECT_FALSE(platform::ReplaceFileContent(Native(dir / "no folder" / "x.dat"), "x"));
    EXPECT_FALSE(platform::ReadFileContent(Native(dir / "missing.dat")));

    const std::string log = Native(dir / "lindrellog.log");
    ASSERT_TRUE(platform::AppendToFile(log, "first\r\n"));
    ASSERT_TRUE(platform::AppendToFile(log, "second\r\n"));
    EXPECT_EQ(test::ReadFile(log), "first\r\nsecond\r\n");
}

TEST(Win32Files, ReadRegularFileHoldsItsBound) {
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(platform::ReadRegularFile(Native(dir / "missing"), 100, error));
    EXPECT_EQ(error, "") << "a missing file is no error";
    EXPECT_FALSE(platform::ReadRegularFile(dir.str(), 100, error));
    EXPECT_EQ(error, dir.str() + ": not a regular file");
    test::WriteFile(dir / "big", std::string(101, 'x'));
    EXPECT_FALSE(platform::ReadRegularFile(Native(dir / "big"), 100, error));
    EXPECT_EQ(error, Native(dir / "big") + ": larger than 100 bytes");
    EXPECT_EQ(platform::ReadRegularFile(Native(dir / "big"), 101, error), std::string(101, 'x'));
    EXPECT_EQ(error, "");
}

TEST(Win32Files, FoldersEntriesAndPrograms) {
    test::TempDir dir;
    EXPECT_TRUE(platform::IsWritableFolder(dir.str()));
    EXPECT_TRUE(fs::is_empty(dir.path())) << "the write test left a file behind";
    EXPECT_FALSE(platform::IsWritableFolder(Native(dir / "gone")));

    const std::string nested = Native(dir / "a" / "b");
    ASSERT_TRUE(platform::MakeFolder(nested));
    EXPECT_EQ(platform::EntryAt(nested), platform::EntryKind::Folder);
    EXPECT_EQ(platform::EntryAt(Native(dir / "none")), platform::EntryKind::None);
    EXPECT_EQ(platform::EntryAt(""), platform::EntryKind::None);

    test::WriteFile(dir / "Game.EXE", "MZ");
    test::WriteFile(dir / "readme.txt", "text");
    EXPECT_EQ(platform::EntryAt(Native(dir / "Game.EXE")), platform::EntryKind::File);
    EXPECT_TRUE(platform::IsProgram(Native(dir / "Game.EXE")));
    EXPECT_FALSE(platform::IsProgram(Native(dir / "readme.txt")));
    EXPECT_FALSE(platform::IsProgram(nested));
    EXPECT_TRUE(platform::MakeExecutable(Native(dir / "readme.txt")));
    EXPECT_FALSE(platform::MakeExecutable(Native(dir / "none.exe")));

    const std::string program = platform::ProgramFolder();
    EXPECT_EQ(platform::EntryAt(program + "\\platform_tests.exe"), platform::EntryKind::File)
        << program;
}

TEST(Win32Files, TheListingSpellsNamesAsTheFileSystemDoes) {
    test::TempDir dir;
    test::WriteFile(dir / "Quake3.exe", "MZ");
    fs::create_directory(dir / "BaseQ3");
    EXPECT_EQ(platform::ListingQuery(Native(dir / "QUAKE3.EXE"), platform::kListFiles),
              "Quake3.exe");
    EXPECT_EQ(platform::ListingQuery(Native(dir / "baseq3"), platform::kListFiles), "");
    EXPECT_EQ(platform::ListingQuery(Native(dir / "baseq3"), platform::kListFilesAndFolders),
              "BaseQ3");
    EXPECT_EQ(platform::ListingQuery(Native(dir / "*.exe"), platform::kListFiles), "Quake3.exe");
    EXPECT_EQ(platform::ListingQuery(Native(dir / "none"), platform::kListFiles), "");
}

// UTF-8 names reach the file system whole; the settings' single-byte (ANSI) names too.
TEST(Win32Files, Utf8AndAnsiNames) {
    test::TempDir dir;
    const std::string utf8Folder = dir.str() + "\\\xd0\xa1\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80";
    ASSERT_TRUE(platform::MakeFolder(utf8Folder));
    ASSERT_TRUE(platform::ReplaceFileContent(utf8Folder + "\\\xe6\x97\xa5\xe6\x9c\xac.dat", "x"));
    EXPECT_EQ(platform::ReadFileContent(utf8Folder + "\\\xe6\x97\xa5\xe6\x9c\xac.dat"), "x");
    EXPECT_EQ(platform::ListingQuery(utf8Folder + "\\*.dat", platform::kListFiles),
              "\xe6\x97\xa5\xe6\x9c\xac.dat");

    ASSERT_TRUE(platform::ReplaceFileContent(dir.str() + "\\caf\xe9.cfg", "y"));
    EXPECT_EQ(platform::ListingQuery(dir.str() + "\\caf*", platform::kListFiles),
              "caf\xc3\xa9.cfg");
}

// The program's folder when it is writable, else %APPDATA%\Lindrel, with the settings
// found beside the program copied there.
TEST(Win32DataFolder, TheProgramsFolderWhenWritableElseAppData) {
    test::TempDir program;
    test::TempDir appData;
    const test::ScopedEnv roaming("APPDATA", appData.str());
    EXPECT_EQ(ChooseDataFolder(program.str()), program.str());

    const std::string missing = Native(program / "gone");
    const std::string expected = appData.str() + "\\Lindrel";
    EXPECT_EQ(ChooseDataFolder(missing), expected);
    EXPECT_TRUE(fs::is_directory(expected));

    const test::ScopedEnv none("APPDATA", std::nullopt);
    EXPECT_EQ(ChooseDataFolder(missing), missing) << "no data folder to be had: as before";
}

TEST(Win32Clock, TheLogStampFollowsTheLocale) {
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_hour = 8;
    when.tm_min = 35;
    when.tm_sec = 7;
    when.tm_wday = 1;
    // The system's own German short date: "07.12.2026" on Windows, "7.12.2026" on wine.
    const std::regex german(R"(\[0?7\.12\.2026\]\[08:35:07\] )");
    EXPECT_TRUE(std::regex_match(FormatLogStamp(when, "de_DE.UTF-8"), german));
    EXPECT_TRUE(std::regex_match(FormatLogStamp(when, "de-DE"), german));
    EXPECT_EQ(FormatLogStamp(when, "en_US"), "[12/7/2026][8:35:07 AM] ");
    EXPECT_EQ(FormatLogStamp(when, "xx-nowhere"), "[12/7/2026][8:35:07 AM] ");
    const std::tm now = platform::LocalTimeNow();
    EXPECT_GE(now.tm_year, 126);
    EXPECT_FALSE(platform::UserTimeLocale().empty());
}

TEST(Win32Screen, TheFullScreenSizeIsTheSystemsOwn) {
    const auto size = platform::FullScreenSize();
    ASSERT_TRUE(size);
    EXPECT_GT(size->width, 0);
    EXPECT_GT(size->height, 0);
}

// The shell's notification states that hold a notice back, and those that let it show.
// wine answers "accepts notifications" whatever runs, so the call itself only must not
// hold one.
TEST(Win32Screen, NoticesWaitForAFullScreenProgram) {
    const std::vector<int> waits = {2, 3, 4, 6};    // busy, Direct3D, presentation, quiet time
    const std::vector<int> shows = {1, 5, 7, 0, 8}; // not present, accepts, app, unknown
    for (const int state : waits) {
        EXPECT_TRUE(platform::win32::NoticesWait(state)) << state;
    }
    for (const int state : shows) {
        EXPECT_FALSE(platform::win32::NoticesWait(state)) << state;
    }
    EXPECT_FALSE(platform::UserIsInFullScreen());
}

} // namespace
} // namespace lindrel
