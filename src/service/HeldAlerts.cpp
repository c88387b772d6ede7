#include "service/HeldAlerts.h"

#include <algorithm>
#include <string_view>

namespace lindrel {

namespace {

constexpr std::string_view kFoundHeader = "-- ";
constexpr std::string_view kFoundOn = " found on server ";
// At most this many entries are kept (the oldest go first): five servers' news of two
// kinds fit many times over.
constexpr std::size_t kMaxEntries = 64;

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

// The server an entry tells of: the name before " is Down" or " is online", or after
// " found on server "; an entry of another shape is its own key.
std::string ServerOf(std::string_view entry) {
    const std::string_view first = WithoutLineEnd(entry.substr(0, entry.find('\n')));
    for (const std::string_view state :
         {std::string_view(" is Down"), std::string_view(" is online")}) {
        if (first.ends_with(state)) {
            return std::string(first.substr(0, first.size() - state.size()));
        }
    }
    if (const auto on = first.find(kFoundOn);
        first.starts_with(kFoundHeader) && on != std::string_view::npos) {
        return std::string(first.substr(on + kFoundOn.size()));
    }
    return std::string(entry);
}

// A message cut into its entries: each line is one, but a found-players header takes the
// line of names after it along.
std::vector<std::string> Entries(std::string_view message) {
    std::vector<std::string> entries;
    bool namesFollow = false;
    while (!message.empty()) {
        const std::size_t end = message.find('\n');
        const std::string_view line =
            message.substr(0, end == std::string_view::npos ? end : end + 1);
        message.remove_prefix(line.size());
        if (namesFollow && !entries.empty()) {
            entries.back() += line;
            namesFollow = false;
            continue;
        }
        entries.emplace_back(line);
        namesFollow = line.starts_with(kFoundHeader);
    }
    return entries;
}

} // namespace

void HeldAlerts::Hold(const std::string& title, const std::string& message) {
    for (std::string& text : Entries(message)) {
        std::string server = ServerOf(text);
        std::erase_if(entries_, [&](const Entry& held) {
            return held.title == title && held.server == server;
        });
        entries_.push_back({title, std::move(server), std::move(text)});
    }
    if (entries_.size() > kMaxEntries) {
        entries_.erase(entries_.begin(), entries_.end() - kMaxEntries);
    }
}

std::vector<HeldAlert> HeldAlerts::Release() {
    std::vector<HeldAlert> alerts;
    for (const Entry& entry : entries_) {
        auto alert = std::find_if(alerts.begin(), alerts.end(),
                                  [&](const HeldAlert& each) { return each.title == entry.title; });
        if (alert == alerts.end()) {
            alerts.push_back({entry.title, {}});
            alert = alerts.end() - 1;
        }
        alert->message += entry.text;
    }
    entries_.clear();
    return alerts;
}

} // namespace lindrel
