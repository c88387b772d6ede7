#pragma once

#include "Asio.h"
#include "HttpFrontEnd.h"
#include "Query.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// Turns a request target into the reply of the query it carries. Errors are values: an
// unknown query gets its own reply text, never an exception.
namespace lindrel::stats {

class QueryRouter {
public:
    using Handler = std::function<awaitable<HttpReply>(const QueryPairs& pairs,
                                                       const asio::ip::address& client)>;
    // A query answered at once, with status 200 and the text it gives.
    using PlainHandler = std::function<std::string(const QueryPairs& pairs)>;

    // A query kind is its first key ("d", "p2", "r"), or for "f", whose value selects the
    // reply, key and value ("f=1").
    void Add(std::string kind, Handler handler);
    void AddPlain(std::string kind, PlainHandler handler);

    // The reply to a target: "/?query" goes to the handler of its kind; anything else is
    // a bad request.
    awaitable<HttpReply> Route(std::string target, asio::ip::address client) const;

private:
    std::unordered_map<std::string, Handler> handlers_;
    std::unordered_map<std::string, PlainHandler> plainHandlers_;
};

} // namespace lindrel::stats
