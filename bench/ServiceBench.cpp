#include "core/AppState.h"
#include "service/AlertSink.h"
#include "service/HttpFetch.h"
#include "service/StatusPoll.h"
#include "support/LoopbackHttpServer.h"
#include "support/WatchedSlots.h"

#include <benchmark/benchmark.h>

namespace lindrel {
namespace {

class NullSink : public AlertSink {
public:
    void SendPopUpMsg(const std::string&, const std::string&, int) override {}
};

// Five status lines as the bundled service writes them, one server down, one with a
// wanted player; alternated with an all-up reply so the down tracking does work too.
const std::string kDownReply =
    "7|Quorvane+Other|q3dm17|12%2F16|48|10|127.0.0.1%3A27960|0||1893\n"
    "4|Quorvane+TS|DOWN|0%2F16|999|10|127.0.0.2%3A27960|0||0\n"
    "8|Quorvane+CTF|q3ctf1|8%2F20|35|10|127.0.0.3%3A27960|1|Grism|41822\n"
    "6|Quorvane+Duel|q3tourney2|2%2F2|22|10|127.0.0.4%3A27960|0||0\n"
    "9|Quorvane+Public|q3dm6|15%2F24|61|10|127.0.0.5%3A27960|0||0\n";

void BM_ApplyStatusReply(benchmark::State& bench) {
    AppState state("/nonexistent");
    test::WatchBuiltInIds(state, true);
    std::string upReply = kDownReply;
    upReply.replace(upReply.find("DOWN"), 4, "q3dm1");
    NullSink sink;
    bool down = false;
    for (auto _ : bench) {
        down = !down;
        ApplyStatusReply(state, down ? kDownReply : upReply, sink);
    }
}
BENCHMARK(BM_ApplyStatusReply)->Unit(benchmark::kMicrosecond);

void BM_GetURLRoundTrip(benchmark::State& bench) {
    test::LoopbackHttpServer server(
        [](const std::string&) { return test::HttpReply::Text(kDownReply); });
    const std::string url = server.BaseUrl() + "d=7,4,8,6,9&t=0,0,0,0,0&s=";
    for (auto _ : bench) {
        benchmark::DoNotOptimize(GetURL(url));
    }
}
BENCHMARK(BM_GetURLRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace lindrel
