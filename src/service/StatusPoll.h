#pragma once

#include <string>
#include <string_view>

namespace lindrel {

struct AppState;
class AlertSink;

// One status poll ("d=", "&t=", "&s="): fetches the status of the five slots, updates
// ServerStatus and FindMark, and raises at most two alerts, "Player Found" before
// "Server Down". An empty reply logs "PullStats_BadData" and changes nothing.
void PullStats(AppState& state, AlertSink& alerts);

// The query part of the status request, without the base URL.
std::string BuildStatusQuery(const AppState& state);

// The reply half of PullStats, for a reply that is not empty.
void ApplyStatusReply(AppState& state, std::string_view reply, AlertSink& alerts);

// "&s=" and the wanted players, each encoded, joined by ","; shared with the player list.
std::string WantedPlayersQuery(const AppState& state);

} // namespace lindrel
