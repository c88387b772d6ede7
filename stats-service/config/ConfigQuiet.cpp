// [[quiet]]: the windows when servers are in maintenance.
#include "config/ConfigOutputs.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <optional>

namespace lindrel::stats {

namespace {

constexpr std::size_t kMaxQuietWindows = 64;
constexpr std::size_t kMaxListedServers = 10'000;

// A TOML local time (03:00:00) as seconds after midnight.
bool ReadLocalTime(TomlReader& reader, const char* key, int& seconds) {
    const toml::node* node = reader.Node(key);
    const auto* time = node == nullptr ? nullptr : node->as_time();
    if (time == nullptr) {
        return reader.Fail(key, "must be a local time, such as 03:00:00");
    }
    const toml::time at = time->get();
    seconds = at.hour * 3600 + at.minute * 60 + at.second;
    return true;
}

// A TOML offset date-time (2026-12-24T20:00:00Z) as Unix seconds.
bool ReadInstant(TomlReader& reader, const char* key, std::int64_t& seconds) {
    const toml::node* node = reader.Node(key);
    const auto* value = node == nullptr ? nullptr : node->as_date_time();
    const std::optional<toml::date_time> at =
        value == nullptr ? std::nullopt : std::optional(value->get());
    const std::chrono::year_month_day date =
        at ? std::chrono::year{at->date.year} / at->date.month / at->date.day
           : std::chrono::year_month_day{};
    if (!at || !at->offset || !date.ok()) {
        return reader.Fail(key, "must be a date and time with its offset, such as "
                                "2026-12-24T20:00:00Z");
    }
    const int secondOfDay = at->time.hour * 3600 + at->time.minute * 60 + at->time.second;
    const int offsetSeconds = at->offset->minutes * 60;
    seconds = std::chrono::sys_days{date}.time_since_epoch().count() * std::int64_t{86'400} +
              secondOfDay - offsetSeconds;
    return true;
}

bool ReadWeekly(TomlReader& reader, QuietWindow& window) {
    static constexpr std::string_view kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    std::vector<std::string> days;
    if (!reader.TextList("days", 7, 3, days)) {
        return false;
    }
    for (const auto& day : days) {
        const auto* at = std::find(std::begin(kDays), std::end(kDays), day);
        if (at == std::end(kDays)) {
            return reader.Fail("days", "holds \"mon\", \"tue\", \"wed\", \"thu\", \"fri\", "
                                       "\"sat\" and \"sun\" only");
        }
        window.days |= 1u << static_cast<unsigned>(at - std::begin(kDays));
    }
    if (window.days == 0) {
        return reader.Fail("days", "must name at least one day");
    }
    if (!ReadLocalTime(reader, "from", window.from) || !ReadLocalTime(reader, "to", window.to)) {
        return false;
    }
    return window.from != window.to || reader.Fail("to", "must differ from from");
}

bool ReadQuietWindow(const toml::table& table, const std::string& name, QuietWindow& window,
                     std::string& error) {
    TomlReader reader(table, name, error);
    if (!reader.IdList("servers", kMaxListedServers, window.servers)) {
        return false;
    }
    const bool weekly = reader.Has("days") || reader.Has("from") || reader.Has("to");
    const bool once = reader.Has("start") || reader.Has("end");
    if (weekly == once) {
        error = name + " needs either days, from and to, or start and end";
        return false;
    }
    if (weekly) {
        return ReadWeekly(reader, window) && reader.Finish();
    }
    if (!ReadInstant(reader, "start", window.start) || !ReadInstant(reader, "end", window.end)) {
        return false;
    }
    return (window.end > window.start || reader.Fail("end", "must come after start")) &&
           reader.Finish();
}

} // namespace

bool ReadQuiet(TomlReader& root, Config& config, std::string& error) {
    std::vector<const toml::table*> tables;
    if (!root.Tables("quiet", kMaxQuietWindows, tables)) {
        return false;
    }
    config.quiet.clear();
    for (std::size_t i = 0; i < tables.size(); ++i) {
        QuietWindow entry;
        if (!ReadQuietWindow(*tables[i], "quiet[" + std::to_string(i) + "]", entry, error)) {
            return false;
        }
        config.quiet.push_back(std::move(entry));
    }
    return true;
}

} // namespace lindrel::stats
