#pragma once

#include "watch/Registry.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_set>

// The service's figures in Prometheus's text format, for /metrics. Errors: none.
namespace lindrel::stats {

// What the service counts as it runs; kept by its thread only.
struct ServiceCounters {
    static constexpr std::array<double, 11> kRefreshBuckets = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25,
                                                               0.5,   1,    2.5,   5,    10};

    std::uint64_t polls = 0; // the monitors' status polls
    std::uint64_t lookupsKnown = 0;
    std::uint64_t lookupsAdded = 0;
    std::uint64_t lookupsNotFound = 0;
    std::array<std::uint64_t, kRefreshBuckets.size()> refreshBuckets{};
    std::uint64_t refreshes = 0;
    double refreshSeconds = 0;

    void AddRefresh(std::chrono::steady_clock::duration took);
};

// Figures of the parts that may be missing: the history file and the webhooks.
struct OutputFigures {
    bool history = false;
    std::uint64_t historyRowsWritten = 0;
    std::uint64_t historyRowsDropped = 0;
    std::uint64_t historyErrors = 0;
    std::int64_t historyFileBytes = 0;
    bool webhooks = false;
    std::uint64_t webhooksSent = 0;
    std::uint64_t webhooksFailed = 0;
    std::uint64_t webhooksDropped = 0;
    std::uint64_t webhookRetries = 0;
};

// Per watched server (not those added by lookups): up, in maintenance (in `quiet`),
// players and the query's round trip; then the service's own counters.
std::string MetricsText(const Registry& registry, const std::unordered_set<int>& quiet,
                        const ServiceCounters& counters, const OutputFigures& outputs,
                        std::size_t connections);

} // namespace lindrel::stats
