// The service's pages for people and programs, and what each refresh leaves for them.
#include "base/Text.h"
#include "pages/Badge.h"
#include "pages/JsonApi.h"
#include "pages/StatusPage.h"
#include "platform/Platform.h"
#include "service/StatsService.h"

#include <iostream>

namespace lindrel::stats {

namespace {

constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr std::string_view kJson = "application/json";
constexpr std::string_view kMetricsText = "text/plain; version=0.0.4; charset=utf-8";
constexpr std::string_view kSvg = "image/svg+xml";
// A history reply holds at most this many points (24 hours at 30 s); a longer window is
// thinned to evenly spaced ones, so no request can ask for the whole file.
constexpr std::size_t kMaxHistoryPoints = 2880;

HttpReply JsonError(int status, std::string_view message) {
    return {status, "{\"error\":\"" + std::string(message) + "\"}\n", kJson};
}

} // namespace

void StatsService::AddWebRoutes() {
    const auto page = [this](std::string_view, const QueryPairs&) -> awaitable<HttpReply> {
        co_return Cached(page_, [this] {
            const auto now = WallSeconds();
            // Nothing but the page's own inline styles and data: pictures; framed anywhere
            // unless the configuration names who may.
            std::string policy = "default-src 'none'; style-src 'unsafe-inline'; img-src data:; "
                                 "base-uri 'none'; form-action 'none'";
            if (!config_.pageFrameAncestors.empty()) {
                policy += "; frame-ancestors " + config_.pageFrameAncestors;
            }
            return HttpReply{200,
                             StatusPageHtml(config_.pageTitle,
                                            WatchedServers(registry_, trends_, now, quietNow_),
                                            now),
                             kHtml, std::move(policy)};
        });
    };
    router_.AddPath("/", page);
    router_.AddPath("/status", page);
    router_.AddPath(
        "/api/servers", [this](std::string_view, const QueryPairs&) -> awaitable<HttpReply> {
            co_return Cached(serversJson_, [this] {
                const auto now = WallSeconds();
                return HttpReply{
                    200, ServersJson(WatchedServers(registry_, trends_, now, quietNow_), now),
                    kJson};
            });
        });
    router_.AddPrefix("/api/servers/", [this](std::string_view rest, const QueryPairs& pairs) {
        return HistoryReply(rest, pairs);
    });
    router_.AddPrefix(
        "/badge/", [this](std::string_view rest, const QueryPairs&) { return BadgeReply(rest); });
    router_.AddPath("/metrics",
                    [this](std::string_view, const QueryPairs&) -> awaitable<HttpReply> {
                        co_return Cached(metrics_, [this] {
                            OutputFigures outputs;
                            if (history_) {
                                outputs.history = true;
                                outputs.historyRowsWritten = history_->rowsWritten();
                                outputs.historyRowsDropped = history_->rowsDropped();
                                outputs.historyErrors = history_->writeErrors();
                                outputs.historyFileBytes = history_->fileBytes();
                            }
                            if (!notifier_.empty()) {
                                outputs.webhooks = true;
                                outputs.webhooksSent = notifier_.sent();
                                outputs.webhooksFailed = notifier_.failed();
                                outputs.webhooksDropped = notifier_.dropped();
                                outputs.webhookRetries = notifier_.retried();
                            }
                            return HttpReply{200,
                                             MetricsText(registry_, quietNow_, counters_, outputs,
                                                         frontEnd_.connectionCount()),
                                             kMetricsText};
                        });
                    });
}

const HttpReply& StatsService::Cached(CachedReply& cache, const std::function<HttpReply()>& make) {
    if (cache.generation != generation_) {
        cache.reply = make();
        cache.generation = generation_;
    }
    return cache.reply;
}

awaitable<HttpReply> StatsService::BadgeReply(std::string_view rest) {
    // "<id>.svg", for a server the configuration names.
    const auto id =
        rest.ends_with(".svg") ? ParseInt32(rest.substr(0, rest.size() - 4)) : std::nullopt;
    const GameServer* server = id ? registry_.FindById(*id) : nullptr;
    if (server == nullptr || server->registered) {
        co_return HttpReply{404, "no such server\n"};
    }
    co_return Cached(badges_[*id], [this, server] {
        const bool up = server->Up();
        const BadgeState state = quietNow_.contains(server->id) ? BadgeState::Maintenance
                                 : up                           ? BadgeState::Up
                                                                : BadgeState::Down;
        const auto seconds = std::max<std::int64_t>(
            1,
            std::chrono::duration_cast<std::chrono::seconds>(config_.poll.refreshInterval).count());
        // An image: nothing in it may run or load anything, should it be opened itself.
        return HttpReply{200,
                         BadgeSvg(server->Name(), state, up ? OnlineCount(server->status) : 0,
                                  server->status.maxClients),
                         kSvg, "default-src 'none'; style-src 'unsafe-inline'",
                         "max-age=" + std::to_string(seconds)};
    });
}

awaitable<HttpReply> StatsService::HistoryReply(std::string_view rest, const QueryPairs& pairs) {
    // "<id>/history", with hours=N from 1 to the hours kept (24 when not given).
    const auto slash = rest.find('/');
    const auto id = ParseInt32(rest.substr(0, slash));
    const GameServer* server = id ? registry_.FindById(*id) : nullptr;
    if (slash == std::string_view::npos || rest.substr(slash) != "/history" || server == nullptr ||
        server->registered) {
        co_return JsonError(404, "no such server");
    }
    const std::string_view hoursText = ValueOf(pairs, "hours");
    const auto hours = hoursText.empty() ? std::optional(24) : ParseInt32(hoursText);
    const auto kept = static_cast<int>(config_.historyKeep.count());
    if (!hours || *hours < 1 || *hours > kept) {
        co_return JsonError(400, "hours must be a whole number from 1 to " + std::to_string(kept));
    }
    if (!history_) {
        co_return JsonError(404, "this service keeps no history");
    }
    const auto now = WallSeconds();
    const auto rows =
        co_await history_->Read(*id, now - std::int64_t{*hours} * 3600, now + 1, kMaxHistoryPoints);
    if (!rows) {
        co_return JsonError(503, "the history is busy; try again");
    }
    co_return HttpReply{200, HistoryJson(*id, *hours, *rows), kJson};
}

void StatsService::StartHistory() {
    if (config_.historyFile.empty()) {
        return;
    }
    history_ = std::make_unique<History>(
        io_, config_.historyFile,
        std::chrono::duration_cast<std::chrono::seconds>(config_.historyKeep));
    std::string failure;
    if (!history_->Open(failure)) {
        // The monitors' queries matter more than the history: the service goes on without.
        std::cerr << "lindrel-stats: history: " << failure << "; keeping no history" << std::endl;
        history_.reset();
        return;
    }
    // What the file knows of the last 30 days joins what the refreshes add from now on.
    history_->LoadTrends(WallSeconds(), [this](const Trends& earlier) {
        trends_.Merge(earlier);
        ++generation_;
    });
}

void StatsService::AfterRefresh(Clock::duration took) {
    ++generation_;
    counters_.AddRefresh(took);
    const auto now = WallSeconds();
    FindQuietServers(now);
    std::vector<Sample> rows;
    for (const GameServer& server : registry_.servers()) {
        if (server.registered || !server.Known()) {
            continue; // added by a lookup, or not known to be up or down yet
        }
        const bool up = server.Up();
        const int players = up ? OnlineCount(server.status) : 0;
        trends_.Add(server.id, now, up, players, !quietNow_.contains(server.id));
        if (history_) {
            rows.push_back({server.id, now, up, players, up ? server.status.map : std::string()});
        }
    }
    if (history_) {
        history_->Record(std::move(rows));
    }
    if (!notifier_.empty()) {
        notifier_.Send(quietFilter_.Pass(events_.After(registry_, now), registry_, quietNow_, now));
    }
    if (anyLive_) {
        ShowLiveMessages();
    }
}

void StatsService::FindQuietServers(std::int64_t now) {
    quietNow_.clear();
    if (config_.quiet.empty()) {
        return;
    }
    const std::tm local = platform::LocalTimeNow();
    const LocalClock clock{local.tm_wday, local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec};
    for (const GameServer& server : registry_.servers()) {
        if (!server.registered && IsQuiet(config_.quiet, server.id, now, clock)) {
            quietNow_.insert(server.id);
        }
    }
}

} // namespace lindrel::stats
