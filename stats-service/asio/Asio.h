#pragma once

// clang-format off
// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
// clang-format on

namespace lindrel::stats {
namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
using asio::awaitable;
using asio::ip::tcp;
using asio::ip::udp;
} // namespace lindrel::stats
