#include "core/Log.h"

#include "core/AppState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <regex>

namespace lindrel {
namespace {

std::tm Moment(int year, int month, int day, int hour, int minute, int second) {
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    when.tm_sec = second;
    return when;
}

TEST(LogStamp, UsesTheUsEnglishDesktopFormWithoutALocale) {
    const std::tm morning = Moment(2026, 12, 7, 8, 35, 7);
    EXPECT_EQ(FormatLogStamp(morning, ""), "[12/7/2026][8:35:07 AM] ");
    EXPECT_EQ(FormatLogStamp(morning, "C"), "[12/7/2026][8:35:07 AM] ");
    EXPECT_EQ(FormatLogStamp(morning, "C.UTF-8"), "[12/7/2026][8:35:07 AM] ");
    EXPECT_EQ(FormatLogStamp(morning, "en_US.UTF-8"), "[12/7/2026][8:35:07 AM] ");
    EXPECT_EQ(FormatLogStamp(Moment(2027, 1, 2, 0, 5, 9), "POSIX"), "[1/2/2027][12:05:09 AM] ");
    EXPECT_EQ(FormatLogStamp(Moment(2027, 1, 2, 12, 0, 0), ""), "[1/2/2027][12:00:00 PM] ");
    EXPECT_EQ(FormatLogStamp(Moment(2027, 1, 2, 23, 59, 59), ""), "[1/2/2027][11:59:59 PM] ");
    EXPECT_EQ(FormatLogStamp(morning, "xx_NOWHERE"), "[12/7/2026][8:35:07 AM] ");
}

TEST(LogStamp, FollowsAnotherInstalledLocale) {
    const locale_t german = newlocale(LC_TIME_MASK, "de_DE.UTF-8", locale_t{});
    if (german == locale_t{}) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    }
    freelocale(german);
    EXPECT_EQ(FormatLogStamp(Moment(2026, 12, 7, 8, 35, 7), "de_DE.UTF-8"),
              "[07.12.2026][08:35:07] ");
}

class WriteLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
            ::unsetenv(variable);
        }
    }
    test::TempDir dir;
    AppState state{dir.str()};
    std::string Log() const { return test::ReadFile(dir / "lindrellog.log"); }
};

TEST_F(WriteLogTest, FirstEntryCreatesTheFileWithOneLine) {
    WriteLog(state, "APPLICATION STARTED", 0);
    const std::regex line(
        R"(\[\d{1,2}/\d{1,2}/\d{4}\]\[\d{1,2}:\d\d:\d\d [AP]M\] APPLICATION STARTED\r\n)");
    EXPECT_TRUE(std::regex_match(Log(), line)) << Log();
}

TEST_F(WriteLogTest, AppendsInCallOrderAndIgnoresTheCategory) {
    WriteLog(state, "first", 0);
    WriteLog(state, "first", 4);
    WriteLog(state, "", 4);
    WriteLog(state, "two\r\nlines", 4);
    const std::string log = Log();
    const std::regex entries(R"((\[[^\]]*\]\[[^\]]*\] )first\r\n\[[^\]]*\]\[[^\]]*\] first\r\n)"
                             R"(\[[^\]]*\]\[[^\]]*\] \r\n\[[^\]]*\]\[[^\]]*\] two\r\nlines\r\n)");
    EXPECT_TRUE(std::regex_match(log, entries)) << log;
}

TEST(WriteLog, LosesTheEntrySilentlyWhenTheFolderIsNotWritable) {
    const AppState state("/nonexistent-lindrel-folder/sub");
    WriteLog(state, "lost", 4);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-lindrel-folder"));
}

} // namespace
} // namespace lindrel
