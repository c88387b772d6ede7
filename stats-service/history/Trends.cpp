#include "history/Trends.h"

#include <algorithm>
#include <limits>

namespace lindrel::stats {

namespace {

constexpr std::int64_t kHourSeconds = 3'600;
constexpr std::int64_t kDaySeconds = 86'400;
constexpr std::uint16_t kMostPlayers = std::numeric_limits<std::uint16_t>::max() - 1;

template <typename Count> Count SaturatingAdd(Count a, std::int64_t b) {
    const std::int64_t sum = static_cast<std::int64_t>(a) + std::max<std::int64_t>(b, 0);
    return static_cast<Count>(std::min<std::int64_t>(sum, std::numeric_limits<Count>::max()));
}

// The share of up time over the `count` periods ending at `newest`.
template <typename Ring>
std::optional<double> Share(const Ring& ring, std::int64_t newest, std::int64_t count) {
    double up = 0;
    double seen = 0;
    for (std::int64_t index = newest - count + 1; index <= newest; ++index) {
        if (const auto* entry = ring.Find(index)) {
            up += entry->up;
            seen += entry->seen;
        }
    }
    return seen > 0 ? std::optional(up / seen) : std::nullopt;
}

} // namespace

template <typename Entry, std::size_t N> Entry* Trends::Ring<Entry, N>::At(std::int64_t index) {
    if (index > newest) {
        const std::int64_t passed =
            newest < 0 ? std::int64_t{N} : std::min<std::int64_t>(index - newest, N);
        for (std::int64_t i = 0; i < passed; ++i) {
            entries[static_cast<std::size_t>(index - i) % N] = Entry{};
        }
        newest = index;
    }
    return newest - index < static_cast<std::int64_t>(N)
               ? &entries[static_cast<std::size_t>(index) % N]
               : nullptr;
}

template <typename Entry, std::size_t N>
const Entry* Trends::Ring<Entry, N>::Find(std::int64_t index) const {
    if (newest < 0 || index < 0 || index > newest ||
        newest - index >= static_cast<std::int64_t>(N)) {
        return nullptr;
    }
    return &entries[static_cast<std::size_t>(index) % N];
}

void Trends::Add(int server, std::int64_t time, bool up, int players, bool inUptime) {
    if (time <= 0 || time / kDaySeconds > INT32_MAX) {
        return;
    }
    Server& entry = servers_[server];
    const std::int64_t seconds =
        entry.lastTime == 0 ? 1 : std::clamp<std::int64_t>(time - entry.lastTime, 0, kSlotSeconds);
    entry.lastTime = std::max(entry.lastTime, time);
    if (std::uint16_t* slot = entry.players.At(time / kSlotSeconds); slot != nullptr && up) {
        const auto seenUp =
            static_cast<std::uint16_t>(std::clamp<int>(players, 0, kMostPlayers) + 1);
        *slot = std::max(*slot, seenUp);
    }
    if (!inUptime) {
        return;
    }
    if (auto* hour = entry.hours.At(time / kHourSeconds)) {
        hour->up = SaturatingAdd(hour->up, up ? seconds : 0);
        hour->seen = SaturatingAdd(hour->seen, seconds);
    }
    if (auto* day = entry.days.At(time / kDaySeconds)) {
        day->up = SaturatingAdd(day->up, up ? seconds : 0);
        day->seen = SaturatingAdd(day->seen, seconds);
    }
}

namespace {

// Each period `theirs` holds, combined into `mine` with `combine`.
template <typename Ring, typename Combine>
void MergeRing(Ring& mine, const Ring& theirs, std::size_t size, Combine combine) {
    for (std::int64_t index = theirs.newest - static_cast<std::int64_t>(size) + 1;
         index <= theirs.newest; ++index) {
        const auto* from = theirs.Find(index);
        auto* into = from != nullptr ? mine.At(index) : nullptr;
        if (into != nullptr) {
            combine(*into, *from);
        }
    }
}

} // namespace

void Trends::Merge(const Trends& earlier) {
    const auto addSeconds = [](auto& into, const auto& from) {
        into.up = SaturatingAdd(into.up, from.up);
        into.seen = SaturatingAdd(into.seen, from.seen);
    };
    for (const auto& [id, theirs] : earlier.servers_) {
        Server& mine = servers_[id];
        mine.lastTime = std::max(mine.lastTime, theirs.lastTime);
        MergeRing(mine.players, theirs.players, kChartSlots,
                  [](std::uint16_t& into, std::uint16_t from) { into = std::max(into, from); });
        MergeRing(mine.hours, theirs.hours, kUptimeHours, addSeconds);
        MergeRing(mine.days, theirs.days, kDays, addSeconds);
    }
}

std::optional<double> Trends::Uptime24h(int server, std::int64_t now) const {
    const auto found = servers_.find(server);
    return found == servers_.end() ? std::nullopt
                                   : Share(found->second.hours, now / kHourSeconds, kUptimeHours);
}

std::optional<double> Trends::Uptime30d(int server, std::int64_t now) const {
    const auto found = servers_.find(server);
    return found == servers_.end() ? std::nullopt
                                   : Share(found->second.days, now / kDaySeconds, kDays);
}

std::vector<int> Trends::Chart(int server, std::int64_t now) const {
    std::vector<int> points(kChartSlots, -1);
    const auto found = servers_.find(server);
    if (found == servers_.end()) {
        return points;
    }
    const std::int64_t newest = now / kSlotSeconds;
    for (std::size_t age = 0; age < kChartSlots; ++age) {
        const std::uint16_t* slot =
            found->second.players.Find(newest - static_cast<std::int64_t>(age));
        if (slot != nullptr && *slot > 0) {
            points[kChartSlots - 1 - age] = *slot - 1;
        }
    }
    return points;
}

} // namespace lindrel::stats
