#pragma once

#include "asio/Asio.h"
#include "config/Limits.h"
#include "config/Net.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace lindrel::stats {

// Decides whether a lookup of an unknown server may send a query, and holds the places
// of the registration cap while lookups wait for their replies. Errors are values: false
// or an empty reservation.
class LookupPolicy {
public:
    using Clock = std::chrono::steady_clock;
    explicit LookupPolicy(LookupLimits limits) : limits_(std::move(limits)) {}

    // True when every address is inside the allow-list (and there is at least one).
    bool Allowed(const std::vector<asio::ip::address>& addresses) const;

    // Takes one probe from the client's budget and one from the total; false, taking
    // nothing, when either is spent.
    bool TakeProbe(const asio::ip::address& client, Clock::time_point now);

    // A place under the registration cap, held from before the probe is sent until the
    // server is registered (Commit) or the lookup fails (destruction releases it).
    class Reservation {
    public:
        Reservation() = default;
        explicit Reservation(std::size_t* held) : held_(held) {}
        Reservation(Reservation&& other) noexcept : held_(std::exchange(other.held_, nullptr)) {}
        Reservation& operator=(Reservation&&) = delete;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        ~Reservation() { Release(); }
        explicit operator bool() const { return held_ != nullptr; }
        // The server is registered: the registry counts it from now on.
        void Commit() { Release(); }

    private:
        void Release() {
            if (held_ != nullptr) {
                --*held_;
                held_ = nullptr;
            }
        }
        std::size_t* held_ = nullptr;
    };
    Reservation Reserve(std::size_t registered);

private:
    static void Expire(std::deque<Clock::time_point>& times, Clock::time_point now);

    LookupLimits limits_;
    std::deque<Clock::time_point> recent_;
    std::unordered_map<std::string, std::deque<Clock::time_point>> recentByClient_;
    std::size_t reserved_ = 0;
};

} // namespace lindrel::stats
