#pragma once

#include <string>

namespace lindrel {

// The folder that holds the running program's file, without a trailing separator
// (except for the root folder itself). Empty when the platform cannot tell.
std::string ProgramFolder();

} // namespace lindrel
