#pragma once

#include "asio/Asio.h"
#include "notify/LiveMessage.h"
#include "notify/Webhook.h"
#include "notify/WebhookClient.h"

#include <chrono>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

// Sends the service's events to the configured webhooks. Each webhook has its own bounded
// queue and one sender, which keeps to the webhook's requests a minute and to the waits a
// rate-limited receiver asks for, tries each message again after a growing pause when the
// receiver is slow, down or failing, and gives up after a few tries; a refusal or a
// redirect ends a message at once. A Discord entry with live = true also keeps one message
// showing its servers, edited when what it shows changes (LiveMessage.h). Nothing here makes the
// caller wait. Errors are values: what could not be sent is counted and logged under the webhook's
// label (never its URL, which holds its secret), never thrown.
namespace lindrel::stats {

class Notifier {
public:
    static constexpr std::size_t kMaxQueued = 100;
    static constexpr std::chrono::minutes kMaxBackoff{5};

    Notifier(asio::io_context& io, std::vector<WebhookEntry> entries);
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Queues one refresh's events for every webhook that wants them, a player event with
    // the wanted players among those who joined; a full queue drops its oldest.
    void Send(const std::vector<ServerEvent>& events);
    // Keeps each live entry's message showing these rows, the configured servers in their
    // order: makes it, or edits it when what it shows changed. Called once a refresh.
    void ShowLive(std::string_view title, const std::vector<LiveRow>& rows);
    // The live messages' ids kept before, by LiveKey: to be called before the first
    // ShowLive, so that a restart edits the same messages.
    void RestoreLiveIds(const std::unordered_map<std::string, std::string>& ids);
    // Told a live message's id when one is made, to be kept across restarts.
    std::function<void(const std::string& key, const std::string& id)> onLiveId;
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
        std::chrono::steady_clock::time_point notBefore; // as a rate-limited receiver asked
        std::deque<std::chrono::steady_clock::time_point> lastMinute; // requests made
        // The live message, for a live entry.
        std::string liveKey;
        std::string liveId;     // empty until one is made
        std::string liveWanted; // the body it should show
        std::string liveShown;  // the body it shows, as far as the last answer tells
        bool liveDue = false;   // an update waits for the sender
        bool liveInFlight = false;
        bool liveRefused = false; // the receiver refused to make one: not asked again
    };

    // The message the entry wants of the event, if any.
    static std::optional<ServerEvent> Wanted(const WebhookEntry& entry, const ServerEvent& event);
    awaitable<void> Deliver(Target& target);
    // Sends one queued message, trying again as the entry says.
    awaitable<void> DeliverMessage(Target& target, std::string body);
    // Edits the live message to show liveWanted, or makes it: once, or twice when the
    // message to edit was deleted.
    awaitable<void> UpdateLive(Target& target);
    // Keeps to the wait a rate-limited receiver asked for, or `otherwise`.
    static void WaitAsAsked(Target& target, const PostResult& result,
                            std::chrono::milliseconds otherwise);
    // Waits for the target's next turn to send; false when the notifier stopped meanwhile.
    awaitable<bool> WaitForTurn(Target& target, std::chrono::steady_clock::time_point earliest);

    asio::io_context& io_;
    // Made only when a webhook is HTTPS: OpenSSL's set-up costs megabytes of memory.
    std::unique_ptr<asio::ssl::context> tls_; // made for the first https webhook
    std::list<Target> targets_;
    bool stopped_ = false;
    std::uint64_t sent_ = 0;
    std::uint64_t failed_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t retried_ = 0;
};

} // namespace lindrel::stats
