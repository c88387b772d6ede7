#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace lindrel {
namespace {

std::string Expected(const std::string& value, bool servers) {
    std::string content;
    for (int line = 0; line < kSlotCount; ++line) {
        if (servers) {
            content += std::to_string(line);
            for (int field = 0; field < kServerFieldCount; ++field) {
                content += "," + URLEncode(value);
            }
        } else {
            content += value;
        }
        content += "\r\n";
    }
    return content;
}

// A process that saves the settings in a loop is killed at random moments; each time both
// files hold one complete version, never a part of one.
TEST(SettingsSaves, SurviveAKillAtAnyMoment) {
    test::TempDir dir;
    const std::string even = "even " + std::string(2000, 'x');
    const std::string odd = "odd " + std::string(2000, 'x');
    std::mt19937 random(8);
    std::uniform_int_distribution<int> delayUs(0, 3000);
    for (int round = 0; round < 100; ++round) {
        test::ChildProcess saver({LINDREL_SAVE_LOOP, dir.str(), "100000"}, {}, "");
        ASSERT_TRUE(saver.ReadLine(std::chrono::seconds(10))) << "the saver did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(500 + delayUs(random)));
        saver.Kill();
        const std::string servers = test::ReadFile(dir / "lindrel.dat");
        const std::string globals = test::ReadFile(dir / "global.dat");
        EXPECT_TRUE(servers == Expected(even, true) || servers == Expected(odd, true))
            << "round " << round << ": " << servers.size() << " bytes";
        EXPECT_TRUE(globals == Expected(even, false) || globals == Expected(odd, false))
            << "round " << round << ": " << globals.size() << " bytes";
    }
}

} // namespace
} // namespace lindrel
