#include "Replies.h"
#include "service/HttpFetch.h"
#include "stats-service/RunningService.h"

#include <benchmark/benchmark.h>

namespace lindrel::stats {
namespace {

// The server-side work of a "d=" poll for five servers with one wanted player.
void BM_StatusReplyFiveServers(benchmark::State& bench) {
    Registry registry;
    for (int i = 0; i < 5; ++i) {
        GameServer server;
        server.id = i + 1;
        server.host = "127.0.0." + std::to_string(i + 1);
        server.port = 27960;
        StatusInfo status;
        status.hostname = "Quorvane Server " + std::to_string(i);
        status.map = "oa_dm" + std::to_string(i);
        status.maxClients = 16;
        for (const char* name : {"Grism", "Angelyss", "Major", "Sarge", "Tony", "Kyonshi"}) {
            status.players.push_back({name, 5, 40});
        }
        Registry::RecordAnswer(server, std::move(status), 12);
        registry.Add(std::move(server));
    }
    for (auto _ : bench) {
        benchmark::DoNotOptimize(StatusReply(registry, "1,2,3,4,5", "0,0,0,0,0", "grism"));
    }
}
BENCHMARK(BM_StatusReplyFiveServers)->Unit(benchmark::kMicrosecond);

// The same poll through HTTP to the running service, a new connection each time as the
// monitor makes it.
void BM_StatusPollOverHttp(benchmark::State& bench) {
    test::RunningService running(test::RunningService::FastConfig());
    running.WaitRefreshes(1);
    const std::string url = running.BaseUrl() + "d=10,20,30,40,50&t=0,0,0,0,0&s=grism";
    for (auto _ : bench) {
        benchmark::DoNotOptimize(GetURL(url));
    }
}
BENCHMARK(BM_StatusPollOverHttp)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace lindrel::stats
