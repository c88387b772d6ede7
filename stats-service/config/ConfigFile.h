#pragma once

#include "config/Config.h"
#include "config/Net.h"

#include <optional>
#include <string>
#include <string_view>

// The configuration file: TOML over the built-in defaults, each section read and checked.
namespace lindrel::stats {

// Reads a TOML configuration over the defaults. Every number is held to its bounds; a key
// of the wrong type, an unknown key, or a text with NUL or a line break is refused.
std::optional<Config> LoadConfig(const std::string& path, std::string& error);
// The same for a configuration's text; path names it in messages and anchors state_file.
std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error);

// "address:port" for listening: an IP literal (an IPv6 one in brackets) and a port from 0.
std::optional<HostPort> ParseListenAddress(std::string_view text);

} // namespace lindrel::stats
