// The history file, the status page and the JSON the service serves from them.
#include "history/HistoryStore.h"
#include "pages/JsonApi.h"
#include "pages/Metrics.h"
#include "pages/StatusPage.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <sqlite3.h>

namespace lindrel::stats {
namespace {

constexpr std::int64_t kStart = 1'800'000'000;
constexpr std::int64_t kRefreshSeconds = 10;
constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86'400;

std::vector<Sample> Refresh(int servers, std::int64_t time) {
    std::vector<Sample> rows;
    rows.reserve(static_cast<std::size_t>(servers));
    for (int id = 1; id <= servers; ++id) {
        rows.push_back({id, time, id % 50 != 0, static_cast<int>((time / 60 + id) % 17),
                        "oa_dm" + std::to_string(id % 9)});
    }
    return rows;
}

// Fills a file with `seconds` of refreshes of `servers` servers, ending at kStart.
std::unique_ptr<HistoryStore> Filled(const lindrel::test::TempDir& dir, int servers,
                                     std::int64_t seconds) {
    std::string error;
    auto store = HistoryStore::Open((dir / "history").string(), error);
    std::vector<Sample> batch;
    for (std::int64_t t = kStart - seconds; t < kStart; t += kRefreshSeconds) {
        auto rows = Refresh(servers, t);
        batch.insert(batch.end(), rows.begin(), rows.end());
        if (batch.size() >= 100'000) {
            store->Write(batch, error);
            batch.clear();
        }
    }
    store->Write(batch, error);
    return store;
}

// One refresh of 1,000 servers written to a file that already holds two hours of them.
// The service does this once every refresh (10 s by default) on the history thread.
void BM_HistoryWriteRefreshOf1000(benchmark::State& bench) {
    lindrel::test::TempDir dir;
    auto store = Filled(dir, 1000, 2 * kHour);
    std::int64_t time = kStart;
    std::string error;
    for (auto _ : bench) {
        bench.PauseTiming();
        const auto rows = Refresh(1000, time);
        time += kRefreshSeconds;
        bench.ResumeTiming();
        store->Write(rows, error);
    }
}
BENCHMARK(BM_HistoryWriteRefreshOf1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The hourly upkeep: the hour of 1,000 servers that has just passed two days old is
// thinned to one row per five minutes.
void BM_HistoryThinAnHourOf1000(benchmark::State& bench) {
    lindrel::test::TempDir dir;
    auto store = Filled(dir, 1000, 3600);
    std::string error;
    store->Maintain(kStart + kThinAfterSeconds - 3600, std::chrono::hours(std::int64_t{24} * 90),
                    error);
    std::int64_t hour = 0;
    for (auto _ : bench) {
        bench.PauseTiming();
        // Rows of the next hour to thin, written behind the upkeep's mark.
        std::vector<Sample> rows;
        for (std::int64_t t = kStart + hour * 3600; t < kStart + (hour + 1) * 3600; t += 10) {
            auto refresh = Refresh(1000, t);
            rows.insert(rows.end(), refresh.begin(), refresh.end());
        }
        store->Write(rows, error);
        ++hour;
        bench.ResumeTiming();
        store->Maintain(kStart + kThinAfterSeconds + hour * 3600,
                        std::chrono::hours(std::int64_t{24} * 90), error);
    }
}
BENCHMARK(BM_HistoryThinAnHourOf1000)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

std::int64_t UsedBytes(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr);
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db, "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size",
                       -1, &count, nullptr);
    sqlite3_step(count);
    const auto bytes = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    sqlite3_close(db);
    return bytes;
}

// What a day of one server takes in the file: raw (a row every 10 s) and thinned.
void BM_HistoryBytesPerServerDay(benchmark::State& bench) {
    constexpr int kServers = 20;
    for (auto _ : bench) {
        lindrel::test::TempDir dir;
        const std::string path = (dir / "history").string();
        auto store = Filled(dir, kServers, 86'400);
        store.reset();
        bench.counters["raw_bytes"] = static_cast<double>(UsedBytes(path)) / kServers;
        std::string error;
        store = HistoryStore::Open(path, error);
        store->Maintain(kStart + 3 * kDay, std::chrono::hours(std::int64_t{24} * 90), error);
        store.reset();
        bench.counters["thinned_bytes"] = static_cast<double>(UsedBytes(path)) / kServers;
    }
}
BENCHMARK(BM_HistoryBytesPerServerDay)->Unit(benchmark::kMillisecond)->Iterations(1);

// "/api/servers/<id>/history?hours=24": one server's day, read and made JSON, from a
// file holding a day of 100 servers at a row every 10 s.
void BM_HistoryQuery24h(benchmark::State& bench) {
    lindrel::test::TempDir dir;
    auto store = Filled(dir, 100, 86'400);
    std::string error;
    for (auto _ : bench) {
        const auto rows = store->Read(42, kStart - 86'400, kStart + 1, 2880, error);
        benchmark::DoNotOptimize(HistoryJson(42, 24, *rows));
    }
}
BENCHMARK(BM_HistoryQuery24h)->Unit(benchmark::kMicrosecond);

// The status page, the server list and the metrics for 100 servers with full charts.
struct HundredServers {
    Registry registry;
    Trends trends;
    std::int64_t now = kStart;

    HundredServers() {
        for (int id = 1; id <= 100; ++id) {
            GameServer server;
            server.id = id;
            server.configuredName = "Server " + std::to_string(id);
            server.host = "198.51.100." + std::to_string(id);
            server.port = 27960;
            StatusInfo status;
            status.hostname = "^1Quorvane ^7Server " + std::to_string(id) + " <CTF>";
            status.map = "oa_ctf" + std::to_string(id % 4);
            status.maxClients = 24;
            for (int p = 0; p < 12; ++p) {
                status.players.push_back({"Player " + std::to_string(p), p, 40});
            }
            Registry::RecordAnswer(server, std::move(status), 35);
            registry.Add(std::move(server));
            for (std::int64_t t = now - 30 * kDay; t < now - 2 * kDay; t += 300) {
                trends.Add(id, t, true, 3);
            }
            for (std::int64_t t = now - 2 * kDay; t < now; t += kRefreshSeconds) {
                trends.Add(id, t, (t / 3600 + id) % 23 != 0,
                           static_cast<int>(12 + 10 * std::sin(static_cast<double>(t) / 7000)));
            }
        }
    }
};

void BM_StatusPage100Servers(benchmark::State& bench) {
    const HundredServers servers;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(StatusPageHtml(
            "Clan servers", WatchedServers(servers.registry, servers.trends, servers.now, {}),
            servers.now));
    }
    bench.counters["page_bytes"] = static_cast<double>(
        StatusPageHtml("Clan servers",
                       WatchedServers(servers.registry, servers.trends, servers.now, {}),
                       servers.now)
            .size());
}
BENCHMARK(BM_StatusPage100Servers)->Unit(benchmark::kMicrosecond);

void BM_ServersJson100Servers(benchmark::State& bench) {
    const HundredServers servers;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(ServersJson(
            WatchedServers(servers.registry, servers.trends, servers.now, {}), servers.now));
    }
}
BENCHMARK(BM_ServersJson100Servers)->Unit(benchmark::kMicrosecond);

void BM_Metrics100Servers(benchmark::State& bench) {
    const HundredServers servers;
    const ServiceCounters counters;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(MetricsText(servers.registry, {}, counters, {}, 3));
    }
}
BENCHMARK(BM_Metrics100Servers)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace lindrel::stats
