#pragma once

namespace lindrel {

// Initialises libcurl once for the process, before its first handle; false when it
// cannot be. Every user of libcurl in the program calls it first.
bool EnsureCurlReady();

} // namespace lindrel
