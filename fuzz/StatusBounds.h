#pragma once

// What every parsed reply must keep, whatever bytes it came from: the bounds on its texts,
// its list and its numbers. A broken bound aborts, which the fuzzer reports.
#include "protocols/GameStatus.h"

#include <cstdlib>

inline void CheckStatusBounds(const lindrel::stats::StatusInfo& status) {
    using namespace lindrel::stats;
    if (status.hostname.size() > kMaxNameBytes || status.map.size() > kMaxMapBytes ||
        status.players.size() > kMaxPlayers || status.online < 0 || status.online > kMaxOnline ||
        status.maxClients < 0 || status.maxClients > kMaxOnline) {
        std::abort();
    }
    for (const auto& player : status.players) {
        if (player.name.size() > kMaxNameBytes ||
            player.name.find_first_of("\r\n") != std::string::npos) {
            std::abort();
        }
    }
}
