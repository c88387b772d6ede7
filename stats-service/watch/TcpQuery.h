#pragma once

#include "asio/Asio.h"
#include "protocols/QueryDriver.h"

#include <chrono>
#include <optional>

namespace lindrel::stats {

// One exchange over a TCP connection, all of it before `deadline`: connect, send the
// requests, then read until the exchange is done, refuses what it read, or the peer
// closes. Empty when no status came; pingMs is the time to the first byte read.
awaitable<std::optional<StatusInfo>> QueryOverTcp(asio::any_io_executor executor,
                                                  Exchange& exchange, tcp::endpoint endpoint,
                                                  std::chrono::steady_clock::time_point deadline,
                                                  int& pingMs);

} // namespace lindrel::stats
