#include "platform/Internet.h"
#include "platform/posix/CurlGlobal.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>

namespace lindrel::platform {

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct Body {
    std::string bytes;
    std::size_t limit = 0;
};

// libcurl's write callback: keeps what fits under the limit, then stops the transfer.
std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const std::size_t offered = size * count;
    const std::size_t room = body->limit - body->bytes.size();
    body->bytes.append(data, std::min(offered, room));
    return offered <= room ? offered : 0;
}

template <typename Value> bool Set(CURL* handle, CURLoption option, Value value) {
    return curl_easy_setopt(handle, option, value) == CURLE_OK;
}

} // namespace

std::string HttpGet(const std::string& url, const std::string& userAgent,
                    const HttpLimits& limits) {
    if (!EnsureCurlReady()) {
        return {};
    }
    const EasyHandle handle(curl_easy_init());
    if (!handle) {
        return {};
    }
    CURL* curl = handle.get();
    Body body;
    body.limit = limits.maxBodyBytes;
    const bool configured =
        Set(curl, CURLOPT_URL, url.c_str()) && Set(curl, CURLOPT_USERAGENT, userAgent.c_str()) &&
        Set(curl, CURLOPT_PROXY, "") && Set(curl, CURLOPT_NOPROXY, "*") &&
        Set(curl, CURLOPT_PROTOCOLS_STR, "http,https") &&
        Set(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
        Set(curl, CURLOPT_FOLLOWLOCATION, 1L) && Set(curl, CURLOPT_MAXREDIRS, 5L) &&
        Set(curl, CURLOPT_NOSIGNAL, 1L) &&
        Set(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count())) &&
        Set(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count())) &&
        Set(curl, CURLOPT_WRITEFUNCTION, &AppendBody) && Set(curl, CURLOPT_WRITEDATA, &body);
    if (!configured) {
        return {};
    }
    // Whatever the outcome, the bytes that arrived are the reply: a transfer that broke
    // off or was cut at the size limit still gives its first part.
    static_cast<void>(curl_easy_perform(curl));
    return std::move(body.bytes);
}

} // namespace lindrel::platform
