#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace lindrel::stats {

// "a=1&b=2" as key and value pairs, in order; a part without "=" has an empty value.
using QueryPairs = std::vector<std::pair<std::string_view, std::string_view>>;
QueryPairs ParseQuery(std::string_view query);
// The value of the first pair with this key; empty when there is none.
std::string_view ValueOf(const QueryPairs& pairs, std::string_view key);

} // namespace lindrel::stats
