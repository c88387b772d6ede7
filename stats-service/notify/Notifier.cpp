#include "Notifier.h"

#include <algorithm>
#include <iostream>

namespace lindrel::stats {

Notifier::Notifier(asio::io_context& io, std::vector<WebhookEntry> entries) : io_(io) {
    for (auto& entry : entries) {
        if (entry.at.tls && !tls_) {
            tls_.emplace(MakeClientTlsContext());
        }
        targets_.emplace_back(io_, std::move(entry));
    }
}

Notifier::~Notifier() = default;

bool Notifier::Wants(const WebhookEntry& entry, const ServerEvent& event,
                     std::string_view lowerPlayer) {
    if (!entry.servers.empty() && std::find(entry.servers.begin(), entry.servers.end(),
                                            event.serverId) == entry.servers.end()) {
        return false;
    }
    switch (event.kind) {
    case EventKind::Down:
        return entry.down;
    case EventKind::Back:
        return entry.back;
    case EventKind::PlayerJoined:
        // The same match as the monitor's wanted players: a part of the name, any case.
        return entry.player &&
               std::any_of(entry.players.begin(), entry.players.end(),
                           [&](const std::string& wanted) {
                               return lowerPlayer.find(wanted) != std::string_view::npos;
                           });
    }
    return false;
}

void Notifier::Send(const ServerEvent& event, std::string_view lowerPlayer) {
    for (Target& target : targets_) {
        if (stopped_ || !Wants(target.entry, event, lowerPlayer)) {
            continue;
        }
        if (target.queue.size() >= kMaxQueued) {
            target.queue.pop_front();
            ++dropped_;
        }
        target.queue.push_back(WebhookBody(target.entry.format, event));
        if (!target.sending) {
            target.sending = true;
            asio::co_spawn(io_, Deliver(target), asio::detached);
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

awaitable<void> Notifier::Deliver(Target& target) {
    const WebhookEntry& entry = target.entry;
    while (!target.queue.empty() && !stopped_) {
        const std::string body = std::move(target.queue.front());
        target.queue.pop_front();
        auto backoff = entry.backoff;
        bool done = false;
        for (int attempt = 0; attempt <= entry.retries && !done && !stopped_; ++attempt) {
            if (attempt > 0) {
                ++retried_;
                target.pause.expires_after(backoff);
                boost::system::error_code ec;
                co_await target.pause.async_wait(asio::redirect_error(asio::use_awaitable, ec));
                backoff = std::min<std::chrono::milliseconds>(backoff * 2, kMaxBackoff);
                if (stopped_) {
                    break;
                }
            }
            const PostResult result =
                co_await PostJson(io_.get_executor(), tls_ ? &*tls_ : nullptr, entry.at, body,
                                  entry.timeout, target.inFlight);
            if (result.status >= 200 && result.status < 300) {
                ++sent_;
                done = true;
            } else if (result.status >= 400 && result.status < 500 && result.status != 408 &&
                       result.status != 429) {
                // The receiver refuses this message (a wrong URL, a removed hook): trying
                // again would be refused the same way.
                std::cerr << "lindrel-stats: webhook " << entry.url << " answered " << result.status
                          << std::endl;
                ++failed_;
                done = true;
            } else if (result.retryAfter.count() > 0) {
                backoff = std::min<std::chrono::milliseconds>(result.retryAfter, kMaxBackoff);
            }
            if (!done && attempt == entry.retries && !stopped_) {
                std::cerr << "lindrel-stats: webhook " << entry.url << " failed: "
                          << (result.status != 0 ? "status " + std::to_string(result.status)
                                                 : result.error)
                          << std::endl;
                ++failed_;
            }
        }
    }
    target.sending = false;
}

} // namespace lindrel::stats
