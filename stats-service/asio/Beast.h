#pragma once

#include "asio/Asio.h"

// Boost.Beast, for the parts that speak HTTP or hold a TCP stream with deadlines.
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace lindrel::stats {
namespace beast = boost::beast;
namespace http = boost::beast::http;
} // namespace lindrel::stats
