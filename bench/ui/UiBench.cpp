#include "core/AppState.h"
#include "skin/Artwork.h"
#include "skin/Region.h"
#include "support/NoStatusActions.h"
#include "support/ScriptedService.h"
#include "support/TempDir.h"
#include "support/WatchedSlots.h"
#include "ui/status/frmStatus.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <ctime>

namespace lindrel {
namespace {

// The status skin drawn at a density (the argument in percent), and the region scanned
// from it: the window's start and every move to a screen of another density.
void BM_DrawTheStatusSkin(benchmark::State& bench) {
    const qreal ratio = static_cast<qreal>(bench.range(0)) / 100;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(StatusSkin(ratio).constBits());
    }
}
BENCHMARK(BM_DrawTheStatusSkin)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_RegionOfTheStatusSkin(benchmark::State& bench) {
    const QImage skin = StatusSkin(static_cast<qreal>(bench.range(0)) / 100);
    for (auto _ : bench) {
        Region region;
        std::int32_t key = 1;
        region.ScanPicture(skin, key);
        benchmark::DoNotOptimize(region.hRgn().rectCount());
    }
}
BENCHMARK(BM_RegionOfTheStatusSkin)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

// One Timer1 tick: the status poll against a loopback service, the rows and the tray
// tip. Counted in CPU time of this process (the service runs on its own thread).
void BM_PollTick(benchmark::State& bench) {
    test::TempDir dir;
    test::ScriptedService service;
    const std::string reply = "7|Quorvane+Other|q3dm17|12%2F16|48|10|127.0.0.1%3A27960|0||1893\n"
                              "4|Quorvane+TS|q3dm6|0%2F16|31|10|127.0.0.2%3A27960|0||0\n"
                              "8|Quorvane+CTF|q3ctf1|8%2F20|35|10|127.0.0.3%3A27960|0||0\n"
                              "6|Quorvane+Duel|q3tourney2|2%2F2|22|10|127.0.0.4%3A27960|0||0\n"
                              "9|Quorvane+Public|q3dm6|15%2F24|61|10|127.0.0.5%3A27960|0||0\n";
    AppState state(dir.str());
    state.StatsBaseURL = service.BaseUrl();
    test::WatchBuiltInIds(state, false);
    ScreenMetrics screen;
    screen.fullWidth = 1024;
    screen.fullHeight = 768;
    test::NoStatusActions actions;
    frmStatus window(state, actions, screen);
    window.Load();
    for (auto _ : bench) {
        bench.PauseTiming();
        service.QueueStatus(reply);
        bench.ResumeTiming();
        window.Timer1_Timer();
    }
}
BENCHMARK(BM_PollTick)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace lindrel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
