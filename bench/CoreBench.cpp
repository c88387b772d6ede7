#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <random>

namespace lindrel {
namespace {

// Player names and paths: mostly letters with spaces and punctuation mixed in.
std::string SampleText(std::size_t length) {
    static const std::string alphabet = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ0123456789.:\\-_^|";
    std::mt19937 random(42);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length, ' ');
    for (auto& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

void BM_URLEncode(benchmark::State& bench) {
    const std::string text = SampleText(static_cast<std::size_t>(bench.range(0)));
    for (auto _ : bench) {
        benchmark::DoNotOptimize(URLEncode(text));
    }
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations()) * bench.range(0));
}
BENCHMARK(BM_URLEncode)->Arg(64)->Arg(4096);

void BM_URLDecode(benchmark::State& bench) {
    const std::string encoded = URLEncode(SampleText(static_cast<std::size_t>(bench.range(0))));
    for (auto _ : bench) {
        benchmark::DoNotOptimize(URLDecode(encoded));
    }
    // Throughput counts the encoded bytes read.
    bench.SetBytesProcessed(static_cast<std::int64_t>(bench.iterations()) *
                            static_cast<std::int64_t>(encoded.size()));
}
BENCHMARK(BM_URLDecode)->Arg(64)->Arg(4096);

void BM_SettingsLoadSaveCycle(benchmark::State& bench) {
    test::TempDir dir;
    AppState state(dir.str());
    for (int slot = 0; slot < kSlotCount; ++slot) {
        state.DefaultServers(slot, ServerName) = "Quorvane Server " + std::to_string(slot);
        state.DefaultServers(slot, ServerIP) = "127.0.0." + std::to_string(slot + 1);
        state.DefaultServers(slot, ServerPort) = "27960";
        state.DefaultServers(slot, StatsID) = std::to_string(slot + 4);
        state.DefaultServers(slot, GameTypeID) = "10";
        state.DefaultServers(slot, ExePath) = "C:\\Program Files\\Quake III Arena\\quake3.exe";
        state.DefaultServers(slot, DownNotify) = "1";
    }
    LoadSettings(state);
    for (auto _ : bench) {
        LoadSettings(state);
        SaveSettings(state);
    }
}
BENCHMARK(BM_SettingsLoadSaveCycle)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace lindrel
