#include "core/DataFolder.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lindrel {
namespace {

namespace fs = std::filesystem;

// A program folder this user cannot write (here: one that is not there) sends the data to
// the user's data folder, made private; the program folder keeps it when it can.
// (The read-only install folder with settings in it, run as an ordinary user, is the
// package test's.)
TEST(DataFolder, TheProgramsFolderWhenWritableElseTheUsersDataFolder) {
    test::TempDir program;
    test::TempDir home;
    test::ScopedEnv noData("XDG_DATA_HOME", std::nullopt);
    test::ScopedEnv userHome("HOME", home.str());
    EXPECT_EQ(ChooseDataFolder(program.str()), program.str());
    EXPECT_TRUE(fs::is_empty(program.path())) << "the write test left a file behind";

    const std::string missing = (program / "gone").string();
    const fs::path data = home / ".local/share/lindrel";
    EXPECT_EQ(ChooseDataFolder(missing), data.string());
    EXPECT_EQ(fs::status(data).permissions(), fs::perms::owner_all);

    test::TempDir xdg;
    {
        test::ScopedEnv named("XDG_DATA_HOME", xdg.str());
        EXPECT_EQ(ChooseDataFolder(missing), (xdg / "lindrel").string());
    }
    {
        // A relative XDG_DATA_HOME does not count.
        test::ScopedEnv relative("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(ChooseDataFolder(missing), data.string());
    }
    test::ScopedEnv nowhere("HOME", std::nullopt);
    EXPECT_EQ(ChooseDataFolder(missing), missing) << "no data folder to be had: as before";
}

} // namespace
} // namespace lindrel
