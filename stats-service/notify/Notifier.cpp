#include "notify/Notifier.h"

#include <algorithm>
#include <boost/asio/ssl/context.hpp>
#include <iostream>

namespace lindrel::stats {

namespace {

using SteadyClock = std::chrono::steady_clock;

void Log(const WebhookEntry& entry, const std::string& what) {
    std::cerr << "lindrel-stats: webhook " << entry.label << " " << what << std::endl;
}

// What went wrong, for the log.
std::string Failure(const PostResult& result) {
    return result.status != 0 ? "status " + std::to_string(result.status) : result.error;
}

// Makes the live message (and asks for it back, for its id), or edits the one made.
JsonRequest LiveRequest(std::string_view target, const std::string& id, const std::string& body) {
    if (id.empty()) {
        return {JsonRequest::Method::Post, CreateMessageTarget(target), body, true};
    }
    return {JsonRequest::Method::Patch, EditMessageTarget(target, id), body, false};
}

} // namespace

Notifier::Notifier(asio::io_context& io, std::vector<WebhookEntry> entries) : io_(io) {
    for (auto& entry : entries) {
        if (entry.at.tls && !tls_) {
            tls_ = std::make_unique<asio::ssl::context>(MakeClientTlsContext());
        }
        auto& target = targets_.emplace_back(io_, std::move(entry));
        if (target.entry.live) {
            target.liveKey = LiveKey(target.entry.url);
        }
    }
}

Notifier::~Notifier() = default;

std::optional<ServerEvent> Notifier::Wanted(const WebhookEntry& entry, const ServerEvent& event) {
    if (!entry.servers.empty() && std::find(entry.servers.begin(), entry.servers.end(),
                                            event.serverId) == entry.servers.end()) {
        return std::nullopt;
    }
    switch (event.kind) {
    case EventKind::Down:
        return entry.down ? std::optional(event) : std::nullopt;
    case EventKind::Back:
        return entry.back ? std::optional(event) : std::nullopt;
    case EventKind::PlayersAtLeast:
        return entry.atLeast && event.threshold == entry.minPlayers ? std::optional(event)
                                                                    : std::nullopt;
    case EventKind::SlotsFree:
        return entry.slotsFree && event.threshold == entry.minFreeSlots ? std::optional(event)
                                                                        : std::nullopt;
    case EventKind::PlayerJoined:
    case EventKind::PlayerLeft:
        break;
    }
    if (!(event.kind == EventKind::PlayerJoined ? entry.player : entry.playerLeft)) {
        return std::nullopt;
    }
    // The same match as the monitor's wanted players: a part of the name, any case.
    ServerEvent message = event;
    message.players.clear();
    message.lowerPlayers.clear();
    message.joined = 0;
    for (std::size_t i = 0; i < event.lowerPlayers.size() && i < event.players.size(); ++i) {
        const std::string& lower = event.lowerPlayers[i];
        if (std::any_of(entry.players.begin(), entry.players.end(), [&](const std::string& wanted) {
                return lower.find(wanted) != std::string::npos;
            })) {
            if (message.players.size() < kMaxNamesInMessage) {
                message.players.push_back(event.players[i]);
            }
            ++message.joined;
        }
    }
    return message.joined > 0 ? std::optional(std::move(message)) : std::nullopt;
}

void Notifier::Send(const std::vector<ServerEvent>& events) {
    for (Target& target : targets_) {
        for (const ServerEvent& event : events) {
            const auto message = stopped_ ? std::nullopt : Wanted(target.entry, event);
            if (!message) {
                continue;
            }
            if (target.queue.size() >= kMaxQueued) {
                target.queue.pop_front();
                ++dropped_;
            }
            target.queue.push_back(
                WebhookBody(target.entry.format, *message,
                            target.entry.templates[static_cast<std::size_t>(message->kind)]));
        }
        if (!target.queue.empty() && !target.sending) {
            target.sending = true;
            asio::co_spawn(io_, Deliver(target), asio::detached);
        }
    }
}

void Notifier::ShowLive(std::string_view title, const std::vector<LiveRow>& rows) {
    for (Target& target : targets_) {
        if (!target.entry.live || target.liveRefused || stopped_) {
            continue;
        }
        std::string body = LiveMessageBody(title, rows, target.entry.servers);
        // Unchanged: shown already, or on its way.
        if (body == target.liveWanted &&
            (target.liveShown == body || target.liveDue || target.liveInFlight)) {
            continue;
        }
        target.liveWanted = std::move(body);
        target.liveDue = true;
        if (!target.sending) {
            target.sending = true;
            asio::co_spawn(io_, Deliver(target), asio::detached);
        }
    }
}

void Notifier::RestoreLiveIds(const std::unordered_map<std::string, std::string>& ids) {
    for (Target& target : targets_) {
        const auto found = ids.find(target.liveKey);
        if (target.entry.live && found != ids.end() && IsMessageId(found->second)) {
            target.liveId = found->second;
        }
    }
}

void Notifier::Stop() {
    stopped_ = true;
    for (Target& target : targets_) {
        target.pause.cancel();
        target.inFlight.Cancel();
    }
}

awaitable<bool> Notifier::WaitForTurn(Target& target, SteadyClock::time_point earliest) {
    constexpr auto kMinute = std::chrono::minutes(1);
    const auto limit = static_cast<std::size_t>(std::max(target.entry.perMinute, 1));
    while (!stopped_) {
        const auto now = SteadyClock::now();
        while (!target.lastMinute.empty() && target.lastMinute.front() + kMinute <= now) {
            target.lastMinute.pop_front();
        }
        auto turn = std::max(earliest, target.notBefore);
        if (target.lastMinute.size() >= limit) {
            turn = std::max(turn, target.lastMinute.front() + kMinute);
        }
        if (turn <= now) {
            target.lastMinute.push_back(now);
            co_return true;
        }
        target.pause.expires_at(turn);
        boost::system::error_code ec;
        co_await target.pause.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    }
    co_return false;
}

awaitable<void> Notifier::Deliver(Target& target) {
    // The live message first: it tells the state of now, a queued event an older one.
    while ((target.liveDue || !target.queue.empty()) && !stopped_) {
        if (target.liveDue) {
            target.liveDue = false;
            target.liveInFlight = true;
            co_await UpdateLive(target);
            target.liveInFlight = false;
            continue;
        }
        std::string body = std::move(target.queue.front());
        target.queue.pop_front();
        co_await DeliverMessage(target, std::move(body));
    }
    target.sending = false;
}

awaitable<void> Notifier::DeliverMessage(Target& target, std::string body) {
    const WebhookEntry& entry = target.entry;
    auto backoff = entry.backoff;
    bool done = false;
    for (int attempt = 0; attempt <= entry.retries && !done; ++attempt) {
        auto earliest = SteadyClock::now();
        if (attempt > 0) {
            ++retried_;
            earliest += backoff;
            backoff = std::min<std::chrono::milliseconds>(backoff * 2, kMaxBackoff);
        }
        if (!co_await WaitForTurn(target, earliest)) {
            break;
        }
        // A named request: GCC 12 frees a braced temporary argument of a coroutine twice.
        JsonRequest request{JsonRequest::Method::Post, entry.at.target, body};
        const PostResult result =
            co_await SendJson(io_.get_executor(), tls_.get(), entry.at, std::move(request),
                              entry.timeout, target.inFlight);
        const int status = result.status;
        if (status >= 200 && status < 300) {
            ++sent_;
            done = true;
        } else if (status >= 300 && status < 400) {
            // A webhook that moved must be configured anew: following it would send
            // the message where nobody configured it to go.
            Log(entry, "answered " + std::to_string(status) + ", a redirect, not followed");
            ++failed_;
            done = true;
        } else if (status >= 400 && status < 500 && status != 408 && status != 429) {
            // The receiver refuses this message (a wrong URL, a removed hook): trying
            // again would be refused the same way.
            Log(entry, "answered " + std::to_string(status));
            ++failed_;
            done = true;
        } else if (status == 429 || result.retryAfter.count() > 0) {
            WaitAsAsked(target, result, backoff);
        }
        if (!done && attempt == entry.retries && !stopped_) {
            Log(entry, "failed: " + Failure(result));
            ++failed_;
        }
    }
}

void Notifier::WaitAsAsked(Target& target, const PostResult& result,
                           std::chrono::milliseconds otherwise) {
    // The wait holds for this webhook's next message too.
    const auto wait = result.retryAfter.count() > 0
                          ? std::min<std::chrono::milliseconds>(result.retryAfter, kMaxBackoff)
                          : otherwise;
    target.notBefore = SteadyClock::now() + wait;
}

awaitable<void> Notifier::UpdateLive(Target& target) {
    const WebhookEntry& entry = target.entry;
    const std::string body = target.liveWanted;
    // A second turn only when the message to edit was deleted: then it is made anew.
    for (int turn = 0; turn < 2; ++turn) {
        if (!co_await WaitForTurn(target, SteadyClock::now())) {
            co_return;
        }
        const bool editing = !target.liveId.empty();
        JsonRequest request = LiveRequest(entry.at.target, target.liveId, body);
        const PostResult result =
            co_await SendJson(io_.get_executor(), tls_.get(), entry.at, std::move(request),
                              entry.timeout, target.inFlight);
        const int status = result.status;
        if (status >= 200 && status < 300 && !editing) {
            target.liveId = MessageIdOf(result.answer);
            if (target.liveId.empty()) {
                // Not Discord, or a proxy that drops the query: every refresh would make
                // another message that nothing can edit.
                Log(entry, "made the live message but named no id for it; not made again "
                           "until a restart");
                ++failed_;
                target.liveRefused = true;
                co_return;
            }
            if (onLiveId) {
                onLiveId(target.liveKey, target.liveId);
            }
        }
        if (status >= 200 && status < 300) {
            target.liveShown = body;
            ++sent_;
            co_return;
        }
        if (editing && status == 404) {
            Log(entry, "has no live message " + target.liveId + " any more; making a new one");
            target.liveId.clear();
            continue;
        }
        if (status == 429 || result.retryAfter.count() > 0) {
            // Asked to wait: the update goes when the wait is over.
            WaitAsAsked(target, result, entry.backoff);
            target.liveDue = !stopped_;
            co_return;
        }
        ++failed_;
        if (!editing && status >= 300 && status < 500 && status != 408) {
            // A wrong URL or a removed webhook: only a new configuration mends it.
            Log(entry, "answered " + std::to_string(status) +
                           " to the live message; not asked again until a restart");
            target.liveRefused = true;
        } else if (!stopped_) {
            // Tried again at the next refresh, which finds what it shows still old.
            Log(entry, "live message not updated: " + Failure(result));
        }
        co_return;
    }
}

} // namespace lindrel::stats
