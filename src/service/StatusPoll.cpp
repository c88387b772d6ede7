#include "service/StatusPoll.h"

#include "base/Text.h"
#include "base/UrlCodec.h"
#include "core/AppState.h"
#include "core/Log.h"
#include "service/AlertSink.h"
#include "service/HttpFetch.h"

#include <charconv>
#include <optional>

namespace lindrel {

namespace {

constexpr std::size_t kStatusFields = 10;

// The number as the find text shows it: whole numbers plainly, others in their shortest
// decimal form ("1.5").
std::string FormatCount(double count) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, count);
    return std::string(buffer, result.ptr);
}

bool DownAlertsWanted(const AppState& state, int slot) {
    // A DownNotify that is not a number (hand-edited) means no alerts, like any value but 1.
    const auto value = ReadLeadingNumber(state.ServerData(slot, DownNotify));
    return value && *value == 1.0;
}

void TrackDownState(AppState& state, int slot, std::string& downText) {
    ServerStatusRecord& status = state.ServerStatus.at(static_cast<std::size_t>(slot));
    const bool reportedDown = EqualsIgnoreCase(status.MapName, "DOWN");
    if (reportedDown && status.DownAlerted == "0") {
        status.DownAlerted = "1";
        downText += state.ServerCaption(slot) + " is Down\n";
    } else if (!reportedDown && status.DownAlerted == "1") {
        status.DownAlerted = "0";
        downText += state.ServerCaption(slot) + " is online\n";
    }
}

void ApplyLine(AppState& state, const std::vector<std::string_view>& fields, int slot,
               std::string& findText, std::string& downText) {
    ServerStatusRecord& status = state.ServerStatus.at(static_cast<std::size_t>(slot));
    StoreServerFields(status, fields);

    // A marker that does not decode to a whole 32-bit number keeps the previous one.
    if (const auto marker = URLDecode(fields[9])) {
        if (const auto value = ParseInt32(TrimSpaces(*marker))) {
            state.FindMark.at(static_cast<std::size_t>(slot)) = *value;
        }
    }

    if (DownAlertsWanted(state, slot)) {
        TrackDownState(state, slot, downText);
    }

    const auto found = ReadLeadingNumber(fields[7]);
    if (found && *found > 0) {
        // Names that fail to decode are shown as sent rather than dropped.
        const auto names = URLDecode(fields[8]);
        findText += "-- " + FormatCount(*found) + " Player(s) found on server " +
                    state.ServerCaption(slot) + "\r\n" + (names ? *names : std::string(fields[8])) +
                    "\r\n";
    }
}

} // namespace

void StoreServerFields(ServerStatusRecord& status, const std::vector<std::string_view>& fields) {
    auto decodeInto = [](std::string& target, std::string_view field) {
        if (auto decoded = URLDecode(field)) {
            target = std::move(*decoded);
        }
    };
    decodeInto(status.MapName, fields.at(2));
    decodeInto(status.Players, fields.at(3));
    decodeInto(status.Ping, fields.at(4));
    decodeInto(status.ReportedName, fields.at(1));
}

std::string WantedPlayersQuery(const AppState& state) {
    std::string query = "&s=";
    for (const int item : {FindPlayer1, FindPlayer2, FindPlayer3}) {
        if (!state.GlobalData[item].empty()) {
            query += URLEncode(state.GlobalData[item]);
            query += ',';
        }
    }
    if (query.back() == ',') {
        query.pop_back();
    }
    return query;
}

std::string BuildStatusQuery(const AppState& state) {
    std::string query = "d=";
    for (int slot = 0; slot < kSlotCount; ++slot) {
        query += state.ServerData(slot, StatsID);
        query += ',';
    }
    query.pop_back();
    query += "&t=";
    for (const std::int32_t marker : state.FindMark) {
        query += std::to_string(marker);
        query += ',';
    }
    query.pop_back();
    return query + WantedPlayersQuery(state);
}

void ApplyStatusReply(AppState& state, std::string_view reply, AlertSink& alerts) {
    std::string findText;
    std::string downText;
    for (const auto line : Split(TrimSpaces(reply), '\n')) {
        const auto fields = Split(line, '|');
        if (fields.size() < kStatusFields) {
            continue;
        }
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (state.ServerData(slot, StatsID) == fields[0]) {
                ApplyLine(state, fields, slot, findText, downText);
            }
        }
    }
    if (!findText.empty()) {
        alerts.SendPopUpMsg("Player Found", findText, 1);
    }
    if (!downText.empty()) {
        alerts.SendPopUpMsg("Server Down", downText, 3);
    }
}

void PullStats(AppState& state, AlertSink& alerts) {
    const std::string reply = GetURL(state.StatsBaseURL + BuildStatusQuery(state));
    if (reply.empty()) {
        WriteLog(state, "PullStats_BadData", 4);
        return;
    }
    ApplyStatusReply(state, reply, alerts);
}

} // namespace lindrel
