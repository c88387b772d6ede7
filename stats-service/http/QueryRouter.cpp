#include "http/QueryRouter.h"

namespace lindrel::stats {

void QueryRouter::Add(std::string kind, Handler handler) {
    handlers_[std::move(kind)] = std::move(handler);
}

void QueryRouter::AddPlain(std::string kind, PlainHandler handler) {
    plainHandlers_[std::move(kind)] = std::move(handler);
}

void QueryRouter::AddPath(std::string path, PathHandler handler) {
    pathHandlers_[std::move(path)] = std::move(handler);
}

void QueryRouter::AddPrefix(std::string prefix, PathHandler handler) {
    prefixHandlers_.emplace_back(std::move(prefix), std::move(handler));
}

awaitable<HttpReply> QueryRouter::Route(std::string target, asio::ip::address client) const {
    if (target.substr(0, 2) != "/?") {
        const std::string_view whole(target);
        const auto mark = whole.find('?');
        const std::string_view path = whole.substr(0, mark);
        const QueryPairs pairs =
            mark == std::string_view::npos ? QueryPairs{} : ParseQuery(whole.substr(mark + 1));
        if (const auto exact = pathHandlers_.find(std::string(path));
            exact != pathHandlers_.end()) {
            co_return co_await exact->second({}, pairs);
        }
        for (const auto& [prefix, handler] : prefixHandlers_) {
            if (path.size() > prefix.size() && path.starts_with(prefix)) {
                co_return co_await handler(path.substr(prefix.size()), pairs);
            }
        }
        co_return HttpReply{404, "NOT FOUND\n"};
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
