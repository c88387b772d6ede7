#include "watch/LookupPolicy.h"

#include <algorithm>

namespace lindrel::stats {

namespace {

constexpr std::chrono::minutes kWindow{1};
// Clients remembered at once; past this, the ones whose budgets have refilled are forgotten
// and, if that is not enough, new clients are refused until some are.
constexpr std::size_t kMaxTrackedClients = 4096;

} // namespace

bool LookupPolicy::Allowed(const std::vector<asio::ip::address>& addresses) const {
    return !addresses.empty() &&
           std::all_of(addresses.begin(), addresses.end(), [&](const asio::ip::address& address) {
               return std::any_of(
                   limits_.allow.begin(), limits_.allow.end(),
                   [&](const Network& network) { return network.Contains(address); });
           });
}

void LookupPolicy::Expire(std::deque<Clock::time_point>& times, Clock::time_point now) {
    while (!times.empty() && now - times.front() >= kWindow) {
        times.pop_front();
    }
}

bool LookupPolicy::TakeProbe(const asio::ip::address& client, Clock::time_point now) {
    Expire(recent_, now);
    if (recent_.size() >= static_cast<std::size_t>(std::max(0, limits_.perMinute))) {
        return false;
    }
    const std::string key = ClientKey(client);
    auto found = recentByClient_.find(key);
    if (found == recentByClient_.end()) {
        if (recentByClient_.size() >= kMaxTrackedClients) {
            for (auto entry = recentByClient_.begin(); entry != recentByClient_.end();) {
                Expire(entry->second, now);
                entry = entry->second.empty() ? recentByClient_.erase(entry) : std::next(entry);
            }
        }
        if (recentByClient_.size() >= kMaxTrackedClients) {
            return false;
        }
        found = recentByClient_.emplace(key, std::deque<Clock::time_point>()).first;
    }
    Expire(found->second, now);
    if (found->second.size() >= static_cast<std::size_t>(std::max(0, limits_.perClientPerMinute))) {
        return false;
    }
    found->second.push_back(now);
    recent_.push_back(now);
    return true;
}

LookupPolicy::Reservation LookupPolicy::Reserve(std::size_t registered) {
    if (registered + reserved_ >= limits_.maxRegistered) {
        return Reservation();
    }
    ++reserved_;
    return Reservation(&reserved_);
}

} // namespace lindrel::stats
