#pragma once

#include "history/HistoryStore.h"
#include "pages/StatusPage.h"

#include <string>
#include <vector>

// The JSON replies for clan sites and bots: /api/servers and
// /api/servers/<id>/history?hours=N. Texts are UTF-8. Errors: none.
namespace lindrel::stats {

// {"time":..., "servers":[{"id":7, "name":"...", ...}, ...]}
std::string ServersJson(const std::vector<ServerView>& servers, std::int64_t now);
// {"id":7, "hours":24, "points":[{"time":..., "up":true, "players":3, "map":"..."}, ...]}
std::string HistoryJson(int id, int hours, const std::vector<Sample>& points);

} // namespace lindrel::stats
