#include "QueryRouter.h"

namespace lindrel::stats {

void QueryRouter::Add(std::string kind, Handler handler) {
    handlers_[std::move(kind)] = std::move(handler);
}

void QueryRouter::AddPlain(std::string kind, PlainHandler handler) {
    plainHandlers_[std::move(kind)] = std::move(handler);
}

awaitable<HttpReply> QueryRouter::Route(std::string target, asio::ip::address client) const {
    if (target.substr(0, 2) != "/?") {
        co_return HttpReply{400, "BAD REQUEST\n"};
    }
    const QueryPairs pairs = ParseQuery(std::string_view(target).substr(2));
    const auto& [key, value] = pairs.front(); // Split gives at least one part
    // Only "f" selects its reply by value; the other kinds take the value as an argument.
    const std::string kind = key == "f" ? "f=" + std::string(value) : std::string(key);
    if (const auto plain = plainHandlers_.find(kind); plain != plainHandlers_.end()) {
        co_return HttpReply{200, plain->second(pairs)};
    }
    const auto found = handlers_.find(kind);
    if (found == handlers_.end()) {
        co_return HttpReply{400, "UNKNOWN QUERY\n"};
    }
    co_return co_await found->second(pairs, client);
}

} // namespace lindrel::stats
