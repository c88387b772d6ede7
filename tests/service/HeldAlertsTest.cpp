#include "service/HeldAlerts.h"

#include <gtest/gtest.h>

namespace lindrel {
namespace {

// Of each server only its newest news of each kind is kept, in the order it came; each
// kind is one alert.
TEST(HeldAlerts, TheNewestOfEachServerInOrder) {
    HeldAlerts held;
    held.Hold("Server Down", "Zero is Down\nOne is Down\n");
    held.Hold("Player Found", "-- 1 Player(s) found on server Two\r\nSarge\r\n");
    held.Hold("Server Down", "Zero is online\n");
    held.Hold("Player Found", "-- 2 Player(s) found on server Two\r\nSarge Visor\r\n"
                              "-- 1 Player(s) found on server One is Down\r\nAnarki\r\n");
    EXPECT_FALSE(held.empty());
    EXPECT_EQ(held.Release(),
              (std::vector<HeldAlert>{
                  {"Server Down", "One is Down\nZero is online\n"},
                  {"Player Found", "-- 2 Player(s) found on server Two\r\nSarge Visor\r\n"
                                   "-- 1 Player(s) found on server One is Down\r\nAnarki\r\n"}}));
    EXPECT_TRUE(held.empty());
    EXPECT_TRUE(held.Release().empty());
}

// Hours in a game keep a bounded hold: the oldest entries go first.
TEST(HeldAlerts, TheHoldIsBounded) {
    HeldAlerts held;
    for (int server = 0; server < 1000; ++server) {
        held.Hold("Note", "server " + std::to_string(server) + "\n");
    }
    const auto alerts = held.Release();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message.rfind("server 936\n", 0), 0u);
    EXPECT_NE(alerts[0].message.find("server 999\n"), std::string::npos);
}

} // namespace
} // namespace lindrel
