#pragma once

#include "asio/Asio.h"
#include "notify/Webhook.h"

#include <chrono>
#include <string>

namespace boost::asio::ssl {
class context; // OpenSSL's headers stay with the files that make the connections
} // namespace boost::asio::ssl

// One request with a JSON body to a webhook (a POST, or a PATCH that edits a message), over
// HTTP or HTTPS (the peer's certificate checked
// against the system's authorities and the URL's host name), all of it within one timeout.
// Errors are values: a status of 0 with the reason in error.
namespace lindrel::stats {

// The status comes from the answer's status line alone: headers or a body that cannot be
// read do not undo what the line says (a 2xx is a delivery).
struct PostResult {
    int status = 0;
    std::string error;
    // How long a 429 or 503 answer asks to wait: its Retry-After header, or the
    // "retry_after" of a 429's JSON body, in seconds that may have a fraction (Discord).
    std::chrono::milliseconds retryAfter{0};
    // A 2xx answer's body, when the request asked for it: at most kMaxAnswerBytes, empty
    // when it could not be read.
    std::string answer;
};

inline constexpr std::uint32_t kMaxAnswerBytes = 64 * 1024;

struct JsonRequest {
    enum class Method { Post, Patch };
    Method method = Method::Post;
    std::string target; // path and query, from "/"
    std::string body;
    bool readAnswer = false;
};

// Ends a post in flight at once, closing its connection, as when the service stops.
class PostCanceller {
public:
    void Cancel();

private:
    friend awaitable<PostResult> SendJson(asio::any_io_executor, asio::ssl::context*,
                                          const WebhookUrl&, JsonRequest, std::chrono::milliseconds,
                                          PostCanceller&);
    tcp::resolver* resolver_ = nullptr;
    tcp::socket* socket_ = nullptr; // the connection's, once it is open
    bool cancelled_ = false;
};

// A TLS context that trusts the system's certificate authorities.
asio::ssl::context MakeClientTlsContext();

// Sends the request to the URL's host and port; tls is needed for an https URL only.
awaitable<PostResult> SendJson(asio::any_io_executor executor, asio::ssl::context* tls,
                               const WebhookUrl& url, JsonRequest request,
                               std::chrono::milliseconds timeout, PostCanceller& canceller);

} // namespace lindrel::stats
