#pragma once

#include "platform/Internet.h"

#include <string>

namespace lindrel {

// Bounds of one fetch (the platform's, whose defaults keep a silent or endless service
// from freezing the window thread, which every fetch blocks).
using FetchLimits = platform::HttpLimits;

// GETs a URL over a direct connection (the proxy settings of the environment and of the
// system are ignored) and returns the body with every NUL byte removed. The HTTP status is not
// examined, so an error page is a reply. A connection that breaks off, a timeout after part of the
// body, or a body past maxBodyBytes gives the bytes read until then; any failure before
// the first byte gives an empty text.
std::string GetURL(const std::string& url, const FetchLimits& limits = {});

} // namespace lindrel
