#pragma once

// The parts of Boost.Asio every part of the service names; Beast, which only the HTTP
// ends need, is in asio/Beast.h (each TU that parses all of Asio and Beast takes seconds
// more to build and to check).
// clang-format off
// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
// clang-format on

namespace lindrel::stats {
namespace asio = boost::asio;
using asio::awaitable;
using asio::ip::tcp;
using asio::ip::udp;
} // namespace lindrel::stats
