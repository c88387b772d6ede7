#pragma once

namespace lindrel::platform {

// Initialises libcurl once for the process, before its first handle; false when it
// cannot be. Every use of libcurl here calls it first.
bool EnsureCurlReady();

} // namespace lindrel::platform
