// Ten thousand polls of the monitor against the demo service: from poll 100 on, peak
// memory and open descriptors stay where they were.
#include "faults/MonitorRun.h"
#include "support/LoopbackHttpServer.h"

#include <gtest/gtest.h>
#include <iostream>

namespace lindrel::test {
namespace {

using namespace std::chrono_literals;

constexpr int kPollMs = 5;
constexpr long kPolls = 10'000;

TEST(Soak, TenThousandPollsLeaveMemoryAndDescriptorsAlone) {
    TempDir logs;
    const int port = UnusedLoopbackPort();
    const auto service = StartDemoService(port, logs);
    MonitorRun monitor("http://127.0.0.1:" + std::to_string(port) + "/?", kPollMs, kPolls);
    ASSERT_EQ(monitor.process().WaitExit(15min), 0) << "the monitor did not end by itself";

    const auto report = monitor.Report();
    ASSERT_EQ(report.lastPoll(), kPolls);
    const auto& early = report.polls.at(100);
    const auto& last = report.polls.at(kPolls);
    const auto took = std::chrono::nanoseconds(last.timeNs - early.timeNs);
    std::cout << "poll 100: rss " << early.rssKiB << " KiB, peak " << early.peakKiB << " KiB, "
              << early.fds << " fds\npoll " << kPolls << ": rss " << last.rssKiB << " KiB, peak "
              << last.peakKiB << " KiB, " << last.fds << " fds\n"
              << "polls 100 to " << kPolls << " took "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
    EXPECT_EQ(last.fds, early.fds);
    // A page or two of allocator slack, not a leak: a leak of even 100 bytes a poll would
    // be a mebibyte by now.
    EXPECT_LE(last.peakKiB - early.peakKiB, 256);
    EXPECT_LE(last.rssKiB - early.rssKiB, 256);

    // Every poll found the service and logged nothing, so nothing grew the log.
    EXPECT_EQ(last.logBytes, early.logBytes);
    EXPECT_TRUE(report.StallsOutsidePolls().empty()) << "the window stood still between ticks";
    std::cout << report.stalls.size() << " polls took over 200 ms\n";
}

} // namespace
} // namespace lindrel::test
