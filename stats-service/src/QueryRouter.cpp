#include "QueryRouter.h"

namespace lindrel::stats {

void QueryRouter::Add(std::string kind, Handler handler) {
    handlers_[std::move(kind)] = std::move(handler);
}

awaitable<HttpReply> QueryRouter::Route(std::string target, asio::ip::address client) const {
    if (target.substr(0, 2) != "/?") {
        co_return HttpReply{400, "BAD REQUEST\n"};
    }
    const QueryPairs pairs = ParseQuery(std::string_view(target).substr(2));
    const auto& [key, value] = pairs.front(); // Split gives at least one part
    auto found = handlers_.find(std::string(key) + "=" + std::string(value));
    if (found == handlers_.end()) {
        found = handlers_.find(std::string(key));
    }
    if (found == handlers_.end()) {
        co_return HttpReply{400, "UNKNOWN QUERY\n"};
    }
    co_return co_await found->second(pairs, client);
}

} // namespace lindrel::stats
