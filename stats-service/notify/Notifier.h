#pragma once

#include "Asio.h"
#include "Webhook.h"
#include "WebhookClient.h"

#include <boost/asio/ssl/context.hpp>
#include <chrono>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <string>

// Sends the service's events to the configured webhooks. Each webhook has its own bounded
// queue and one sender, which tries each message again after a growing pause when the
// receiver is slow, down or failing, and gives up after a few tries; nothing here makes
// the caller wait. Errors are values: what could not be sent is counted, never thrown.
namespace lindrel::stats {

class Notifier {
public:
    static constexpr std::size_t kMaxQueued = 100;
    static constexpr std::chrono::minutes kMaxBackoff{5};

    Notifier(asio::io_context& io, std::vector<WebhookEntry> entries);
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Queues the event for every webhook that wants it; a full queue drops its oldest.
    // For a player event, `lowerPlayer` is the player's name in lower case.
    void Send(const ServerEvent& event, std::string_view lowerPlayer = {});
    // Ends the senders at once, a post in flight too; what is queued is not sent.
    void Stop();
    bool empty() const { return targets_.empty(); }

    std::uint64_t sent() const { return sent_; }
    std::uint64_t failed() const { return failed_; }   // given up after every try
    std::uint64_t dropped() const { return dropped_; } // pushed out of a full queue
    std::uint64_t retried() const { return retried_; }

private:
    struct Target {
        Target(asio::io_context& io, WebhookEntry configured)
            : entry(std::move(configured)), pause(io) {}
        WebhookEntry entry;
        PostCanceller inFlight;
        std::deque<std::string> queue; // bodies waiting, the one being sent not among them
        bool sending = false;
        asio::steady_timer pause;
    };

    static bool Wants(const WebhookEntry& entry, const ServerEvent& event,
                      std::string_view lowerPlayer);
    awaitable<void> Deliver(Target& target);

    asio::io_context& io_;
    // Made only when a webhook is HTTPS: OpenSSL's set-up costs megabytes of memory.
    std::optional<asio::ssl::context> tls_;
    std::list<Target> targets_;
    bool stopped_ = false;
    std::uint64_t sent_ = 0;
    std::uint64_t failed_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t retried_ = 0;
};

} // namespace lindrel::stats
