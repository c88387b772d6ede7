#include "notify/WebhookClient.h"

#include "asio/Beast.h"
#include "base/Text.h"
#include "base/Version.h"

#include <boost/asio/read_until.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/ssl.hpp>
#include <charconv>

namespace lindrel::stats {

namespace {

// A receiver's answer is looked at for its status, how long it asks to wait and, when the
// request asks, a success's body; more than this is not read.
constexpr std::size_t kMaxStatusLineBytes = 1024;
constexpr std::uint32_t kMaxHeaderBytes = 8192;
constexpr double kMaxRetryAfterSeconds = 3600;

// "HTTP/1.1 204 No Content": the status, or 0.
int StatusOfLine(std::string_view line) {
    if (!line.starts_with("HTTP/1.") || line.size() < 12 || line[8] != ' ') {
        return 0;
    }
    const auto status = ParseInt32(line.substr(9, 3));
    return status && *status >= 100 && *status <= 599 ? *status : 0;
}

std::chrono::milliseconds WaitOf(double seconds) {
    if (!(seconds > 0)) { // NaN too
        return std::chrono::milliseconds(0);
    }
    return std::chrono::milliseconds(
        static_cast<std::int64_t>(std::min(seconds, kMaxRetryAfterSeconds) * 1000));
}

// The number after "retry_after": in a JSON body, as Discord sends it.
std::optional<double> RetryAfterInBody(std::string_view body) {
    const auto key = body.find("\"retry_after\"");
    if (key == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t at = key + 13;
    while (at < body.size() && (body[at] == ' ' || body[at] == ':')) {
        ++at;
    }
    double seconds = 0;
    const auto parsed = std::from_chars(body.data() + at, body.data() + body.size(), seconds);
    return parsed.ec == std::errc() ? std::optional(seconds) : std::nullopt;
}

// The answer's body, or empty when it cannot be read within the bounds.
template <typename Stream>
awaitable<std::string> ReadBody(Stream& stream, beast::flat_buffer& buffer,
                                http::response_parser<http::string_body>& parser) {
    boost::system::error_code ec;
    co_await http::async_read(stream, buffer, parser,
                              asio::redirect_error(asio::use_awaitable, ec));
    if (ec) {
        co_return std::string();
    }
    co_return std::move(parser.get().body());
}

template <typename Stream>
awaitable<PostResult> Exchange(Stream& stream, const WebhookUrl& url, JsonRequest sent) {
    http::request<http::string_body> request{http::verb::post, sent.target, 11};
    if (sent.method == JsonRequest::Method::Patch) {
        request.method(http::verb::patch);
    }
    // The port only when it is not the scheme's own, as browsers write it: some hosts
    // match the name alone.
    const bool bracketed = url.host.find(':') != std::string::npos;
    const bool ownPort = url.port == (url.tls ? 443 : 80);
    request.set(http::field::host, (bracketed ? "[" + url.host + "]" : url.host) +
                                       (ownPort ? "" : ":" + std::to_string(url.port)));
    request.set(http::field::user_agent, "lindrel-stats/" + std::string(kVersion));
    request.set(http::field::content_type, "application/json");
    request.keep_alive(false);
    request.body() = std::move(sent.body);
    request.prepare_payload();
    PostResult result;
    boost::system::error_code ec;
    co_await http::async_write(stream, request, asio::redirect_error(asio::use_awaitable, ec));
    if (ec) {
        result.error = "sending: " + ec.message();
        co_return result;
    }
    // The status line first, on its own: what follows it may never end.
    std::string head;
    const std::size_t lineEnd =
        co_await asio::async_read_until(stream, asio::dynamic_buffer(head, kMaxStatusLineBytes),
                                        "\r\n", asio::redirect_error(asio::use_awaitable, ec));
    if (ec) {
        result.error = "reading the answer: " + ec.message();
        co_return result;
    }
    result.status = StatusOfLine(std::string_view(head).substr(0, lineEnd));
    if (result.status == 0) {
        result.error = "not an HTTP answer";
        co_return result;
    }
    const bool delivered = result.status >= 200 && result.status < 300;
    if (!(delivered && sent.readAnswer) && result.status != 429 && result.status != 503) {
        co_return result;
    }
    beast::flat_buffer buffer;
    buffer.commit(asio::buffer_copy(buffer.prepare(head.size()), asio::buffer(head)));
    http::response_parser<http::string_body> parser;
    parser.header_limit(kMaxHeaderBytes);
    parser.body_limit(kMaxAnswerBytes);
    if (delivered) {
        result.answer = co_await ReadBody(stream, buffer, parser);
        co_return result;
    }
    co_await http::async_read_header(stream, buffer, parser,
                                     asio::redirect_error(asio::use_awaitable, ec));
    if (ec) {
        co_return result; // no wait asked for that can be read
    }
    const auto wait = parser.get()[http::field::retry_after];
    if (const auto seconds = ParseInt32(std::string_view(wait.data(), wait.size()))) {
        result.retryAfter = WaitOf(*seconds);
    } else if (result.status == 429) {
        co_await http::async_read(stream, buffer, parser,
                                  asio::redirect_error(asio::use_awaitable, ec));
        const std::string& answer = parser.get().body();
        if (const auto inBody = RetryAfterInBody(answer)) {
            result.retryAfter = WaitOf(*inBody);
        }
    }
    co_return result;
}

} // namespace

void PostCanceller::Cancel() {
    cancelled_ = true;
    if (resolver_ != nullptr) {
        resolver_->cancel();
    }
    if (socket_ != nullptr) {
        boost::system::error_code ignored;
        socket_->cancel(ignored);
        socket_->close(ignored);
    }
}

asio::ssl::context MakeClientTlsContext() {
    asio::ssl::context tls(asio::ssl::context::tls_client);
    tls.set_default_verify_paths();
    tls.set_verify_mode(asio::ssl::verify_peer);
    return tls;
}

awaitable<PostResult> SendJson(asio::any_io_executor executor, asio::ssl::context* tls,
                               const WebhookUrl& url, JsonRequest request,
                               std::chrono::milliseconds timeout, PostCanceller& canceller) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    PostResult result;
    boost::system::error_code ec;
    // The canceller knows this post's resolver and connection only while it runs.
    struct Forget {
        PostCanceller& canceller;
        ~Forget() {
            canceller.resolver_ = nullptr;
            canceller.socket_ = nullptr;
        }
    } forget{canceller};

    auto resolver = std::make_shared<tcp::resolver>(executor);
    asio::steady_timer resolveDeadline(executor, deadline);
    resolveDeadline.async_wait([resolver](const boost::system::error_code& waited) {
        if (!waited) {
            resolver->cancel();
        }
    });
    canceller.resolver_ = resolver.get();
    const auto addresses = co_await resolver->async_resolve(
        url.host, std::to_string(url.port), asio::redirect_error(asio::use_awaitable, ec));
    resolveDeadline.cancel();
    canceller.resolver_ = nullptr;
    if (canceller.cancelled_) {
        result.error = "stopped";
        co_return result;
    }
    if (ec) {
        result.error = "looking up " + url.host + ": " + ec.message();
        co_return result;
    }

    beast::tcp_stream tcpStream(executor);
    canceller.socket_ = &tcpStream.socket();
    tcpStream.expires_at(deadline);
    co_await tcpStream.async_connect(addresses, asio::redirect_error(asio::use_awaitable, ec));
    if (ec) {
        result.error = "connecting: " + ec.message();
        co_return result;
    }
    if (!url.tls) {
        result = co_await Exchange(tcpStream, url, std::move(request));
    } else if (tls == nullptr) {
        result.error = "no TLS context";
    } else {
        beast::ssl_stream<beast::tcp_stream> stream(std::move(tcpStream), *tls);
        canceller.socket_ = &beast::get_lowest_layer(stream).socket();
        // The server name tells a shared host which certificate to show (an address is
        // never sent as one); the check below holds that certificate to the URL's host.
        // OpenSSL's macro for this casts the name to void* in C style.
        boost::system::error_code notAnAddress;
        asio::ip::make_address(url.host, notAnAddress);
        if (notAnAddress &&
            SSL_ctrl(stream.native_handle(), SSL_CTRL_SET_TLSEXT_HOSTNAME,
                     TLSEXT_NAMETYPE_host_name, const_cast<char*>(url.host.c_str())) != 1) {
            result.error = "cannot name the TLS server";
            co_return result;
        }
        stream.set_verify_callback(asio::ssl::host_name_verification(url.host));
        co_await stream.async_handshake(asio::ssl::stream_base::client,
                                        asio::redirect_error(asio::use_awaitable, ec));
        if (ec) {
            result.error = "TLS: " + ec.message();
            co_return result;
        }
        result = co_await Exchange(stream, url, std::move(request));
    }
    co_return result;
}

} // namespace lindrel::stats
