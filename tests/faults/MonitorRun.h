#pragma once

#include "faults/Processes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lindrel::test {

struct PollRecord {
    long number = 0;
    long long timeNs = 0;
    std::size_t logBytes = 0;
    long rssKiB = 0;
    long peakKiB = 0;
    long fds = 0;
    std::string map; // slot 0's map name after the poll
};

struct Stall {
    long long fromNs = 0;
    long long toNs = 0;
};

// What the test build of the monitor reported so far.
struct MonitorReport {
    std::vector<PollRecord> polls; // polls[0]: when the timer started
    std::vector<Stall> stalls;

    long lastPoll() const { return polls.empty() ? -1 : polls.back().number; }

    // Stalls that no poll explains: the window did not answer between two ticks.
    std::vector<Stall> StallsOutsidePolls() const {
        std::vector<Stall> outside;
        for (const auto& stall : stalls) {
            const bool inPoll = std::any_of(polls.begin(), polls.end(), [&](const auto& poll) {
                return poll.timeNs >= stall.fromNs && poll.timeNs <= stall.toNs;
            });
            if (!inPoll) {
                outside.push_back(stall);
            }
        }
        return outside;
    }
};

inline MonitorReport ReadMonitorReport(const std::filesystem::path& path) {
    MonitorReport report;
    std::ifstream in(path);
    std::string line;
    // A last line without its line feed is still being written.
    while (std::getline(in, line) && !in.eof()) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "poll") {
            PollRecord poll;
            if (fields >> poll.number >> poll.timeNs >> poll.logBytes >> poll.rssKiB >>
                poll.peakKiB >> poll.fds) {
                std::getline(fields >> std::ws, poll.map);
                report.polls.push_back(poll);
            }
        } else if (kind == "stall") {
            Stall stall;
            if (fields >> stall.fromNs >> stall.toNs) {
                report.stalls.push_back(stall);
            }
        }
    }
    return report;
}

// The test build of the monitor, offscreen, in its own folder, against a service URL.
class MonitorRun {
public:
    MonitorRun(const std::string& statsUrl, int pollMs, long polls = 0) {
        process_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{LINDREL_TEST_MONITOR},
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen",
                                     "LINDREL_TEST_FOLDER=" + folder_.str(),
                                     "LINDREL_TEST_STATS_URL=" + statsUrl,
                                     "LINDREL_TEST_POLL_MS=" + std::to_string(pollMs),
                                     "LINDREL_TEST_POLLS=" + std::to_string(polls)},
            (folder_ / "monitor.out").string());
    }

    const TempDir& folder() const { return folder_; }
    ChildProcess& process() { return *process_; }
    MonitorReport Report() const { return ReadMonitorReport(folder_ / "report.txt"); }

    // Waits until poll number has been reported, at most limit; the report then.
    MonitorReport WaitForPoll(long number, std::chrono::milliseconds limit) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        MonitorReport report = Report();
        while (report.lastPoll() < number && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            report = Report();
        }
        return report;
    }

    // The log lines that poll number (at least 1) wrote.
    std::vector<std::string> LogOfPoll(const MonitorReport& report, long number) const {
        const std::string log = ReadFile(folder_ / "lindrellog.log");
        const auto& poll = report.polls.at(static_cast<std::size_t>(number));
        const auto& before = report.polls.at(static_cast<std::size_t>(number - 1));
        std::vector<std::string> lines;
        std::istringstream slice(log.substr(before.logBytes, poll.logBytes - before.logBytes));
        std::string line;
        while (std::getline(slice, line)) {
            lines.push_back(line);
        }
        return lines;
    }

private:
    TempDir folder_;
    std::unique_ptr<ChildProcess> process_;
};

} // namespace lindrel::test
