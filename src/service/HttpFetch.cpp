#include "service/HttpFetch.h"

#include "base/Version.h"

namespace lindrel {

std::string GetURL(const std::string& url, const FetchLimits& limits) {
    std::string body = platform::HttpGet(url, kUserAgent, limits);
    std::erase(body, '\0');
    return body;
}

} // namespace lindrel
