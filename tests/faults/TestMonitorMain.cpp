// The monitor as the fault and soak runs start it: the program itself, with its folder,
// service address and poll interval taken from the environment, and a report of every
// poll and of every stall of its event loop.
//
//   LINDREL_TEST_FOLDER     the program's folder (its data files and the report go there)
//   LINDREL_TEST_STATS_URL  the service's base URL ("http://127.0.0.1:PORT/?")
//   LINDREL_TEST_POLL_MS    the poll interval
//   LINDREL_TEST_POLLS      end after this many polls (0: run until stopped)
//
// report.txt, one line each:
//   poll N TIME_NS LOG_BYTES RSS_KIB PEAK_KIB FDS MAP   after each timer poll (N 0: when the
//                                                       timer starts); MAP is slot 0's
//   stall FROM_NS TO_NS                                  the event loop served nothing between
#include "app/Application.h"
#include "core/AppState.h"
#include "ui/status/frmStatus.h"

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr auto kProbePeriod = std::chrono::milliseconds(10);
constexpr auto kStall = std::chrono::milliseconds(200);

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// VmRSS and VmHWM of this process, in KiB.
std::pair<long, long> Memory() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long rss = -1;
    long peak = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> rss;
        } else if (key == "VmHWM:") {
            status >> peak;
        }
    }
    return {rss, peak};
}

long OpenFds() {
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        // Event descriptors are the wake-ups of Qt's threads, which come and go with its
        // thread pool; what could leak are files, sockets and pipes.
        std::error_code unreadable;
        const auto target = std::filesystem::read_symlink(it->path(), unreadable).string();
        count += target.starts_with("anon_inode:") ? 0 : 1;
    }
    return count - 1; // the listing's own
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = Env("LINDREL_TEST_FOLDER");
    if (folder.empty()) {
        std::fputs("LINDREL_TEST_FOLDER is not set\n", stderr);
        return 2;
    }
    lindrel::AppState state(folder);
    state.StatsBaseURL = Env("LINDREL_TEST_STATS_URL");
    const int interval = std::atoi(Env("LINDREL_TEST_POLL_MS", "15000").c_str());
    const long pollsWanted = std::atol(Env("LINDREL_TEST_POLLS", "0").c_str());
    const std::unique_ptr<std::FILE, FileCloser> report(
        std::fopen((folder + "/report.txt").c_str(), "w"));
    if (!report) {
        return 2;
    }
    const std::string logFile = state.AppFile("lindrellog.log");

    long polls = 0;
    long long lastProbe = 0;
    QTimer probe;
    QTimer end;
    end.setSingleShot(true);
    return lindrel::RunMonitor(state, [&](lindrel::Monitor& monitor) {
        QObject::connect(&end, &QTimer::timeout, [&monitor] { monitor.EndApplication(); });
        QTimer& timer1 = monitor.Status()->Timer1();
        timer1.setInterval(interval);
        const auto writePoll = [&] {
            std::error_code error;
            const auto logBytes = std::filesystem::file_size(logFile, error);
            const auto [rss, peak] = Memory();
            std::fprintf(report.get(), "poll %ld %lld %llu %ld %ld %ld %s\n", polls, NowNs(),
                         error ? 0ULL : static_cast<unsigned long long>(logBytes), rss, peak,
                         OpenFds(), state.ServerStatus[0].MapName.c_str());
            std::fflush(report.get());
        };
        writePoll();
        // Connected after the window's own handler, so it runs once the poll is done.
        QObject::connect(&timer1, &QTimer::timeout, [&, writePoll] {
            ++polls;
            writePoll();
            if (pollsWanted > 0 && polls == pollsWanted) {
                end.start(0); // once this tick is over
            }
        });
        lastProbe = NowNs();
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const long long now = NowNs();
            if (now - lastProbe > std::chrono::nanoseconds(kStall).count()) {
                std::fprintf(report.get(), "stall %lld %lld\n", lastProbe, now);
                std::fflush(report.get());
            }
            lastProbe = now;
        });
        probe.start(kProbePeriod);
    });
}
