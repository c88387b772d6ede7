#include "Trends.h"

#include <algorithm>
#include <limits>

namespace lindrel::stats {

namespace {

constexpr std::int64_t kDaySeconds = 86'400;

template <typename Count> Count SaturatingAdd(Count a, std::int64_t b) {
    const std::int64_t sum = static_cast<std::int64_t>(a) + std::max<std::int64_t>(b, 0);
    return static_cast<Count>(std::min<std::int64_t>(sum, std::numeric_limits<Count>::max()));
}

// The entry of a ring that holds `index`, emptied first when it holds an older one.
template <typename Entry, std::size_t N>
Entry* EntryFor(std::array<Entry, N>& ring, std::int64_t index) {
    Entry& entry = ring[static_cast<std::size_t>(index) % N];
    if (entry.index < index) {
        entry = Entry{};
        entry.index = static_cast<std::int32_t>(index);
    }
    return entry.index == index ? &entry : nullptr; // null: a time older than the ring
}

template <typename Ring>
std::optional<double> Share(const Ring& ring, std::int64_t newest, std::int64_t count) {
    double up = 0;
    double seen = 0;
    for (const auto& entry : ring) {
        if (entry.index > newest - count && entry.index <= newest) {
            up += entry.upSeconds;
            seen += entry.seenSeconds;
        }
    }
    return seen > 0 ? std::optional(up / seen) : std::nullopt;
}

} // namespace

void Trends::Add(int server, std::int64_t time, bool up, int players) {
    if (time <= 0 || time / kDaySeconds > INT32_MAX) {
        return;
    }
    Server& entry = servers_[server];
    const std::int64_t seconds =
        entry.lastTime == 0 ? 1 : std::clamp<std::int64_t>(time - entry.lastTime, 0, kSlotSeconds);
    entry.lastTime = std::max(entry.lastTime, time);
    if (Slot* slot = EntryFor(entry.slots, time / kSlotSeconds)) {
        if (up) {
            slot->seenUp = true;
            slot->maxPlayers = std::max(slot->maxPlayers,
                                        static_cast<std::uint16_t>(std::clamp(players, 0, 65535)));
            slot->upSeconds = SaturatingAdd(slot->upSeconds, seconds);
        }
        slot->seenSeconds = SaturatingAdd(slot->seenSeconds, seconds);
    }
    if (Day* day = EntryFor(entry.days, time / kDaySeconds)) {
        day->upSeconds = SaturatingAdd(day->upSeconds, up ? seconds : 0);
        day->seenSeconds = SaturatingAdd(day->seenSeconds, seconds);
    }
}

void Trends::Merge(const Trends& earlier) {
    for (const auto& [id, theirs] : earlier.servers_) {
        Server& mine = servers_[id];
        mine.lastTime = std::max(mine.lastTime, theirs.lastTime);
        for (const Slot& slot : theirs.slots) {
            if (Slot* into = slot.index >= 0 ? EntryFor(mine.slots, slot.index) : nullptr) {
                into->seenUp = into->seenUp || slot.seenUp;
                into->maxPlayers = std::max(into->maxPlayers, slot.maxPlayers);
                into->upSeconds = SaturatingAdd(into->upSeconds, slot.upSeconds);
                into->seenSeconds = SaturatingAdd(into->seenSeconds, slot.seenSeconds);
            }
        }
        for (const Day& day : theirs.days) {
            if (Day* into = day.index >= 0 ? EntryFor(mine.days, day.index) : nullptr) {
                into->upSeconds = SaturatingAdd(into->upSeconds, day.upSeconds);
                into->seenSeconds = SaturatingAdd(into->seenSeconds, day.seenSeconds);
            }
        }
    }
}

std::optional<double> Trends::Uptime24h(int server, std::int64_t now) const {
    const auto found = servers_.find(server);
    return found == servers_.end() ? std::nullopt
                                   : Share(found->second.slots, now / kSlotSeconds, kChartSlots);
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
    for (const Slot& slot : found->second.slots) {
        const std::int64_t age = newest - slot.index;
        if (slot.index >= 0 && age >= 0 && age < static_cast<std::int64_t>(kChartSlots) &&
            slot.seenUp) {
            points[kChartSlots - 1 - static_cast<std::size_t>(age)] = slot.maxPlayers;
        }
    }
    return points;
}

} // namespace lindrel::stats
