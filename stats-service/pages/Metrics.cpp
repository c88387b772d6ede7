#include "pages/Metrics.h"

#include "base/Encoding.h"

#include <cstdio>
#include <initializer_list>

namespace lindrel::stats {

namespace {

std::string LabelValue(std::string_view text) {
    std::string out;
    for (const char c : ToUtf8(text)) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

void Sample(std::string& out, const char* name, const std::string& labels,
            const std::string& value) {
    out += name;
    if (!labels.empty()) {
        out += '{' + labels + '}';
    }
    out += ' ' + value + '\n';
}

void Counter(std::string& out, const char* name, const char* help, std::uint64_t value) {
    Family(out, name, "counter", help);
    Sample(out, name, {}, std::to_string(value));
}

// A counter with a "result" label, one sample per result.
void ByResult(std::string& out, const char* name, const char* help,
              std::initializer_list<std::pair<const char*, std::uint64_t>> results) {
    Family(out, name, "counter", help);
    for (const auto& [result, value] : results) {
        Sample(out, name, "result=\"" + std::string(result) + "\"", std::to_string(value));
    }
}

} // namespace

void ServiceCounters::AddRefresh(std::chrono::steady_clock::duration took) {
    const double seconds = std::chrono::duration<double>(took).count();
    ++refreshes;
    refreshSeconds += seconds;
    for (std::size_t i = 0; i < kRefreshBuckets.size(); ++i) {
        refreshBuckets[i] += seconds <= kRefreshBuckets[i] ? 1u : 0u;
    }
}

std::string MetricsText(const Registry& registry, const std::unordered_set<int>& quiet,
                        const ServiceCounters& counters, const OutputFigures& outputs,
                        std::size_t connections) {
    std::string out;
    std::vector<std::pair<std::string, const GameServer*>> watched;
    for (const GameServer& server : registry.servers()) {
        if (!server.registered) {
            watched.emplace_back("id=\"" + std::to_string(server.id) + "\",name=\"" +
                                     LabelValue(server.configuredName) + "\"",
                                 &server);
        }
    }
    Family(out, "lindrel_stats_server_up", "gauge",
           "Whether the game server answers (1), or has missed refreshes enough to be down (0).");
    for (const auto& [labels, server] : watched) {
        Sample(out, "lindrel_stats_server_up", labels, server->Up() ? "1" : "0");
    }
    Family(out, "lindrel_stats_server_maintenance", "gauge",
           "Whether the game server is in its quiet hours (1), when no event about it is sent.");
    for (const auto& [labels, server] : watched) {
        Sample(out, "lindrel_stats_server_maintenance", labels,
               quiet.contains(server->id) ? "1" : "0");
    }
    Family(out, "lindrel_stats_server_players", "gauge", "Players on the game server.");
    for (const auto& [labels, server] : watched) {
        Sample(out, "lindrel_stats_server_players", labels,
               std::to_string(server->down ? 0 : OnlineCount(server->status)));
    }
    Family(out, "lindrel_stats_server_rtt_seconds", "gauge",
           "Round trip of the last answered query to the game server.");
    for (const auto& [labels, server] : watched) {
        if (server->everAnswered) {
            Sample(out, "lindrel_stats_server_rtt_seconds", labels,
                   Number(server->pingMs / 1000.0));
        }
    }
    Counter(out, "lindrel_stats_polls_total", "Status polls answered to monitors.", counters.polls);
    ByResult(out, "lindrel_stats_lookups_total",
             "Lookups of servers by address, by what they found.",
             {{"known", counters.lookupsKnown},
              {"added", counters.lookupsAdded},
              {"not_found", counters.lookupsNotFound}});
    Family(out, "lindrel_stats_refresh_duration_seconds", "histogram",
           "Time to query every watched game server once.");
    for (std::size_t i = 0; i < counters.refreshBuckets.size(); ++i) {
        Sample(out, "lindrel_stats_refresh_duration_seconds_bucket",
               "le=\"" + Number(ServiceCounters::kRefreshBuckets[i]) + "\"",
               std::to_string(counters.refreshBuckets[i]));
    }
    Sample(out, "lindrel_stats_refresh_duration_seconds_bucket", "le=\"+Inf\"",
           std::to_string(counters.refreshes));
    Sample(out, "lindrel_stats_refresh_duration_seconds_sum", {}, Number(counters.refreshSeconds));
    Sample(out, "lindrel_stats_refresh_duration_seconds_count", {},
           std::to_string(counters.refreshes));
    Family(out, "lindrel_stats_http_connections", "gauge", "Open HTTP connections.");
    Sample(out, "lindrel_stats_http_connections", {}, std::to_string(connections));
    if (outputs.history) {
        Counter(out, "lindrel_stats_history_rows_written_total", "Rows stored in the history file.",
                outputs.historyRowsWritten);
        Counter(out, "lindrel_stats_history_rows_dropped_total",
                "Rows lost because the history file fell behind.", outputs.historyRowsDropped);
        Counter(out, "lindrel_stats_history_errors_total",
                "Failed writes and upkeep of the history file.", outputs.historyErrors);
        Family(out, "lindrel_stats_history_file_bytes", "gauge", "Size of the history file.");
        Sample(out, "lindrel_stats_history_file_bytes", {},
               std::to_string(outputs.historyFileBytes));
    }
    if (outputs.webhooks) {
        ByResult(out, "lindrel_stats_webhook_messages_total",
                 "Webhook messages, by how they ended.",
                 {{"sent", outputs.webhooksSent},
                  {"failed", outputs.webhooksFailed},
                  {"dropped", outputs.webhooksDropped}});
        Counter(out, "lindrel_stats_webhook_retries_total", "Webhook messages sent again.",
                outputs.webhookRetries);
    }
    return out;
}

} // namespace lindrel::stats
