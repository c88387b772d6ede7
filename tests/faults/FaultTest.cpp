// The monitor against a service that is killed, restarted, silent, talking garbage and
// answering 10 MiB: it keeps polling at its interval, its event loop stalls only inside
// a poll, memory stays flat, and every failed poll leaves one log line.
#include "faults/MonitorRun.h"
#include "support/LoopbackHttpServer.h"

#include <functional>
#include <gtest/gtest.h>

namespace lindrel::test {
namespace {

using namespace std::chrono_literals;

constexpr int kPollMs = 300;
// A poll's fetch gives up after 30 s; beyond that and the start, a poll takes moments.
constexpr auto kPollWait = 45s;

// The slot-0 line of a status reply, repeated past ten mebibytes.
std::string HugeReply(const std::string& target) {
    const auto ids = target.find("d=") + 2;
    const std::string id = target.substr(ids, target.find_first_of(",&", ids) - ids);
    const std::string line = id + "|Huge|huge_map|1%2F8|20|0|0|0||0\n";
    std::string reply;
    constexpr std::size_t kTenMiB = std::size_t{10} << 20;
    reply.reserve(kTenMiB + line.size());
    while (reply.size() < kTenMiB) {
        reply += line;
    }
    return reply;
}

class ServiceFaults : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = UnusedLoopbackPort();
        service_ = StartDemoService(port_, logs_);
        monitor_ = std::make_unique<MonitorRun>(BaseUrl(), kPollMs);
        ASSERT_EQ(monitor_->WaitForPoll(0, 30s).lastPoll(), 0) << "the monitor did not start";
    }

    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/?"; }

    // Waits for count more polls; the numbers of the first and the last.
    std::pair<long, long> Polls(long count) {
        const long first = monitor_->Report().lastPoll() + 1;
        const auto report = monitor_->WaitForPoll(first + count - 1, kPollWait * count);
        EXPECT_GE(report.lastPoll(), first + count - 1) << "the monitor stopped polling";
        return {first, first + count - 1};
    }

    // In place of the service on the same port: a server with its own way of answering.
    void ReplaceService(LoopbackHttpServer::Handler handler) {
        service_.reset();
        stand_in_.reset();
        stand_in_ = std::make_unique<LoopbackHttpServer>(std::move(handler), port_);
    }
    void RestartService() {
        stand_in_.reset();
        service_ = StartDemoService(port_, logs_);
    }

    void ExpectLogLines(std::pair<long, long> polls, std::size_t lines, const char* phase) {
        const auto report = monitor_->Report();
        for (long number = polls.first; number <= polls.second; ++number) {
            const auto log = monitor_->LogOfPoll(report, number);
            ASSERT_EQ(log.size(), lines) << phase << ", poll " << number;
            for (const auto& line : log) {
                EXPECT_NE(line.find("] PullStats_BadData"), std::string::npos) << line;
            }
        }
    }
    std::string MapAfter(long poll) const {
        return monitor_->Report().polls.at(static_cast<std::size_t>(poll)).map;
    }

    TempDir logs_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> service_;
    std::unique_ptr<LoopbackHttpServer> stand_in_;
    std::unique_ptr<MonitorRun> monitor_;
};

TEST_F(ServiceFaults, MonitorRidesThemOut) {
    const auto normal = Polls(3);
    ExpectLogLines(normal, 0, "service up");
    const std::string demoMap = MapAfter(normal.second);
    EXPECT_FALSE(demoMap.empty());
    EXPECT_NE(demoMap, "DOWN");

    service_->Kill();
    ExpectLogLines(Polls(3), 1, "service killed");
    EXPECT_EQ(MapAfter(monitor_->Report().lastPoll()), demoMap) << "status kept";

    RestartService();
    Polls(1); // may have started before the service was back
    const auto restarted = Polls(3);
    ExpectLogLines(restarted, 0, "service restarted");

    ReplaceService([](const std::string&) { return HttpReply::Silent(); });
    const auto silent = Polls(1);
    ExpectLogLines(silent, 1, "service silent");

    ReplaceService([](const std::string&) {
        return HttpReply::Text("garbage\n|||\n\x01\x02|\xff\n<html>502 Bad Gateway</html>");
    });
    const auto garbage = Polls(3);
    ExpectLogLines(garbage, 0, "garbage");
    const std::string mapBefore = MapAfter(restarted.second);
    EXPECT_EQ(MapAfter(garbage.second), mapBefore) << "garbage changes nothing";

    ReplaceService([](const std::string& target) { return HttpReply::Text(HugeReply(target)); });
    const auto huge = Polls(5);
    ExpectLogLines(huge, 0, "10 MiB");
    EXPECT_EQ(MapAfter(huge.second), "huge_map") << "the first mebibyte is the reply";

    RestartService();
    Polls(1);
    const auto back = Polls(3);
    ExpectLogLines(back, 0, "service back");
    EXPECT_NE(MapAfter(back.second), "huge_map");

    const auto report = monitor_->Report();
    const auto at = [&report](long poll) {
        return report.polls.at(static_cast<std::size_t>(poll));
    };

#ifndef LINDREL_SANITIZED // which holds freed memory back
    // Memory: the big replies cost their one capped buffer once, not once per poll.
    EXPECT_LT(at(huge.second).rssKiB - at(huge.first).rssKiB, 1024) << "KiB, four 10 MiB replies";
    EXPECT_LT(at(back.second).rssKiB - at(huge.second).rssKiB, 1024);
#endif
    EXPECT_EQ(at(back.second).fds, at(normal.second).fds) << "no descriptor left open";
    RecordProperty("rss_kib_start", static_cast<int>(at(normal.second).rssKiB));
    RecordProperty("rss_kib_end", static_cast<int>(at(back.second).rssKiB));

    // The interval: a poll that answers at once is followed by the next one interval later.
    for (const auto& phase : {normal, restarted, garbage, back}) {
        for (long number = phase.first + 1; number <= phase.second; ++number) {
            const auto gap = std::chrono::nanoseconds(at(number).timeNs - at(number - 1).timeNs);
            // Qt's coarse timers may fire up to 5 % early.
            EXPECT_GE(gap, std::chrono::milliseconds(kPollMs * 9 / 10)) << "poll " << number;
            EXPECT_LE(gap, std::chrono::milliseconds(kPollMs) + 1s) << "poll " << number;
        }
    }
    // The silent service holds one poll for the fetch's 30 s bound, and no longer.
    const auto held =
        std::chrono::nanoseconds(at(silent.first).timeNs - at(silent.first - 1).timeNs);
    EXPECT_GE(held, 30s);
    EXPECT_LE(held, 30s + std::chrono::milliseconds(kPollMs) + 3s);

    // Responsive between ticks: every stall of the event loop holds the end of a poll.
    for (const auto& stall : report.StallsOutsidePolls()) {
        ADD_FAILURE() << "the event loop stood still for "
                      << (stall.toNs - stall.fromNs) / 1'000'000 << " ms outside a poll";
    }
}

} // namespace
} // namespace lindrel::test
