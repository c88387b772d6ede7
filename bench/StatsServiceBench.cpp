#include "notify/LiveMessage.h"
#include "pages/Replies.h"
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

// The most a "d=" poll can ask of the service: 64 servers of 256 players each, 16 wanted
// names of two letters that most players hold.
void BM_StatusReplyWorstCase(benchmark::State& bench) {
    Registry registry;
    std::string ids;
    for (int id = 1; id <= 64; ++id) {
        GameServer server;
        server.id = id;
        server.host = "127.0.0.1";
        server.port = static_cast<std::uint16_t>(27000 + id);
        StatusInfo status;
        status.hostname = "Server " + std::to_string(id);
        status.map = "q3dm17";
        for (int p = 0; p < 256; ++p) {
            status.players.push_back({"Player " + std::to_string(p) + " [clan tag]", 1, 40});
        }
        Registry::RecordAnswer(server, std::move(status), 12);
        registry.Add(std::move(server));
        ids += std::to_string(id) + ",";
    }
    const std::string wanted = "pl,la,ay,ye,er,an,ta,ag,cl,r+,+%5B,1,2,3,4,5";
    for (auto _ : bench) {
        benchmark::DoNotOptimize(StatusReply(registry, ids, "", wanted));
    }
}
BENCHMARK(BM_StatusReplyWorstCase)->Unit(benchmark::kMicrosecond);

// Loading the state file: time per server stays flat as the file grows.
void BM_LoadRegistered(benchmark::State& bench) {
    std::string text;
    for (std::int64_t i = 0; i < bench.range(0); ++i) {
        text += std::to_string(100 + i) + ",127.0." + std::to_string(i / 250 % 250) + "." +
                std::to_string(1 + i % 250) + "," + std::to_string(27960 + i / 62500) +
                ",10,Server+" + std::to_string(i) + ",1796727145\n";
    }
    for (auto _ : bench) {
        Registry registry;
        registry.LoadRegistered(text, static_cast<std::size_t>(bench.range(0)), 0);
        benchmark::DoNotOptimize(registry.RegisteredCount());
    }
    bench.SetComplexityN(bench.range(0));
}
BENCHMARK(BM_LoadRegistered)
    ->RangeMultiplier(10)
    ->Range(100, 100'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

// A live message's text at each refresh, over 10,000 servers: every server (range 0) or
// an entry's list of all 10,000 in another order (range 1).
void BM_LiveMessageBody(benchmark::State& bench) {
    std::vector<LiveRow> rows;
    std::vector<int> only;
    for (int id = 1; id <= 10'000; ++id) {
        rows.push_back({id, "Server " + std::to_string(id), LiveState::Up, "q3dm17", 5, 16});
        only.push_back(10'001 - id);
    }
    if (bench.range(0) == 0) {
        only.clear();
    }
    for (auto _ : bench) {
        benchmark::DoNotOptimize(LiveMessageBody("Game servers", rows, only));
    }
}
BENCHMARK(BM_LiveMessageBody)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace lindrel::stats
