#pragma once

#include "config/Config.h"
#include "config/TomlReader.h"

#include <filesystem>

// The configuration's sections for what the service tells beyond the monitor's queries:
// [history], [page], [[notify]] and [[quiet]]. Each returns false with error set, naming
// the key.
namespace lindrel::stats {

bool ReadHistory(TomlReader& root, const std::filesystem::path& base, Config& config,
                 std::string& error);
bool ReadPage(TomlReader& root, Config& config, std::string& error);
bool ReadNotify(TomlReader& root, Config& config, std::string& error);
bool ReadQuiet(TomlReader& root, Config& config, std::string& error);
// The servers a webhook or a quiet window names must be ones the configuration watches.
bool ValidateOutputs(const Config& config, std::string& error);

} // namespace lindrel::stats
