#include "watch/TcpQuery.h"

#include "asio/Beast.h"

#include <vector>

namespace lindrel::stats {

namespace {

constexpr std::size_t kReadChunk = 4096;

} // namespace

awaitable<std::optional<StatusInfo>> QueryOverTcp(asio::any_io_executor executor,
                                                  Exchange& exchange, tcp::endpoint endpoint,
                                                  std::chrono::steady_clock::time_point deadline,
                                                  int& pingMs) {
    beast::tcp_stream stream(executor);
    boost::system::error_code ec;
    stream.expires_at(deadline);
    const auto sentAt = std::chrono::steady_clock::now();
    co_await stream.async_connect(endpoint, asio::redirect_error(asio::use_awaitable, ec));
    if (ec) {
        co_return std::nullopt;
    }
    for (const auto& request : exchange.Start()) {
        co_await asio::async_write(stream, asio::buffer(request),
                                   asio::redirect_error(asio::use_awaitable, ec));
        if (ec) {
            co_return std::nullopt;
        }
    }
    std::vector<char> buffer(kReadChunk);
    bool first = true;
    for (;;) {
        const std::size_t size = co_await stream.async_read_some(
            asio::buffer(buffer), asio::redirect_error(asio::use_awaitable, ec));
        if (ec) {
            co_return std::nullopt;
        }
        if (first) {
            first = false;
            pingMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - sentAt)
                                          .count());
        }
        const Step step = exchange.Feed(std::string_view(buffer.data(), size));
        if (step.kind == Step::Kind::Done) {
            co_return exchange.Result();
        }
        if (step.kind == Step::Kind::Ignore) {
            co_return std::nullopt;
        }
        if (step.kind == Step::Kind::Send) {
            co_await asio::async_write(stream, asio::buffer(step.packet),
                                       asio::redirect_error(asio::use_awaitable, ec));
            if (ec) {
                co_return std::nullopt;
            }
        }
    }
}

} // namespace lindrel::stats
