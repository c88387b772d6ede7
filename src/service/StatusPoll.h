#pragma once

#include <string>
#include <string_view>
#include <vector>

// The monitor's side of the stats service: the status poll, the player list, the
// directory and lookups over HTTP. Errors are values: a fetch that fails is an empty
// reply, and a reply that cannot be used changes nothing or stops at its first
// unreadable line; nothing a service sends makes these throw.
namespace lindrel {

struct AppState;
struct ServerStatusRecord;
class AlertSink;

// One status poll ("d=", "&t=", "&s="): fetches the status of the five slots, updates
// ServerStatus and FindMark, and raises at most two alerts, "Player Found" before
// "Server Down". An empty reply logs "PullStats_BadData" and changes nothing.
void PullStats(AppState& state, AlertSink& alerts);

// The query part of the status request, without the base URL.
std::string BuildStatusQuery(const AppState& state);

// The reply half of PullStats, for a reply that is not empty.
void ApplyStatusReply(AppState& state, std::string_view reply, AlertSink& alerts);

// Takes fields 1 to 4 of a server line (name, map, players, ping; URL-encoded), as the
// status poll and the player list both send them. A field that fails to decode keeps
// the value it had. The line must have at least five fields.
void StoreServerFields(ServerStatusRecord& status, const std::vector<std::string_view>& fields);

// "&s=" and the wanted players, each encoded, joined by ","; shared with the player list.
std::string WantedPlayersQuery(const AppState& state);

} // namespace lindrel
