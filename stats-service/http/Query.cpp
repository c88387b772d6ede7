#include "http/Query.h"

#include "base/Text.h"

namespace lindrel::stats {

QueryPairs ParseQuery(std::string_view query) {
    QueryPairs pairs;
    for (const auto part : Split(query, '&')) {
        const auto equals = part.find('=');
        if (equals == std::string_view::npos) {
            pairs.emplace_back(part, std::string_view());
        } else {
            pairs.emplace_back(part.substr(0, equals), part.substr(equals + 1));
        }
    }
    return pairs;
}

std::string_view ValueOf(const QueryPairs& pairs, std::string_view key) {
    for (const auto& [name, value] : pairs) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

} // namespace lindrel::stats
