#pragma once

#include "asio/Asio.h"
#include "http/HttpFrontEnd.h"
#include "http/Query.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Turns a request target into the reply of the query it carries. Errors are values: an
// unknown query gets its own reply text, never an exception.
namespace lindrel::stats {

class QueryRouter {
public:
    using Handler = std::function<awaitable<HttpReply>(const QueryPairs& pairs,
                                                       const asio::ip::address& client)>;
    // A query answered at once, with status 200 and the text it gives.
    using PlainHandler = std::function<std::string(const QueryPairs& pairs)>;
    // A page or API path; rest is what follows a prefix (empty for an exact path).
    using PathHandler =
        std::function<awaitable<HttpReply>(std::string_view rest, const QueryPairs& pairs)>;

    // A query kind is its first key ("d", "p2", "r"), or for "f", whose value selects the
    // reply, key and value ("f=1").
    void Add(std::string kind, Handler handler);
    void AddPlain(std::string kind, PlainHandler handler);
    // A path such as "/metrics", or with AddPrefix every path below "/api/servers/".
    void AddPath(std::string path, PathHandler handler);
    void AddPrefix(std::string prefix, PathHandler handler);

    // The reply to a target: "/?query" goes to the handler of its kind, a path to its
    // path's handler; an unknown path is not found.
    awaitable<HttpReply> Route(std::string target, asio::ip::address client) const;

private:
    std::unordered_map<std::string, Handler> handlers_;
    std::unordered_map<std::string, PlainHandler> plainHandlers_;
    std::unordered_map<std::string, PathHandler> pathHandlers_;
    std::vector<std::pair<std::string, PathHandler>> prefixHandlers_;
};

} // namespace lindrel::stats
