#include "config/TomlReader.h"

#include <climits>

namespace lindrel::stats {

bool TomlReader::Tables(std::string_view key, std::size_t limit,
                        std::vector<const toml::table*>& tables) {
    tables.clear();
    const toml::node* node = Node(key);
    if (node == nullptr) {
        return true;
    }
    const toml::array* list = node->as_array();
    const std::string name(key);
    if (list == nullptr || list->size() > limit) {
        return Fail(key, "must be at most " + std::to_string(limit) + " [[" + name + "]] tables");
    }
    for (std::size_t i = 0; i < list->size(); ++i) {
        tables.push_back(list->get(i)->as_table());
        if (tables.back() == nullptr) {
            error_ = name + "[" + std::to_string(i) + "] must be a table";
            return false;
        }
    }
    return true;
}

bool TomlReader::TextList(std::string_view key, std::size_t limit, std::size_t maxBytes,
                          std::vector<std::string>& into) {
    const toml::node* node = Node(key);
    if (node == nullptr) {
        return true;
    }
    const toml::array* list = node->as_array();
    const std::string shape = "must be a list of at most " + std::to_string(limit) + " texts";
    if (list == nullptr || list->size() > limit) {
        return Fail(key, shape);
    }
    into.clear();
    for (const auto& item : *list) {
        const auto text = item.value_exact<std::string>();
        if (!text || !CheckText(*text, maxBytes, {})) {
            return Fail(key, shape + " of up to " + std::to_string(maxBytes) +
                                 " bytes without NUL or a line break");
        }
        into.push_back(*text);
    }
    return true;
}

bool TomlReader::IdList(std::string_view key, std::size_t limit, std::vector<int>& into) {
    const toml::node* node = Node(key);
    if (node == nullptr) {
        return true;
    }
    const toml::array* list = node->as_array();
    if (list == nullptr || list->size() > limit) {
        return Fail(key, "must be a list of server ids");
    }
    for (const auto& item : *list) {
        const auto id = item.value_exact<std::int64_t>();
        if (!id || *id < 1 || *id > INT_MAX) {
            return Fail(key, "must be a list of server ids");
        }
        into.push_back(static_cast<int>(*id));
    }
    return true;
}

bool CheckText(std::string_view text, std::size_t maxBytes, std::string_view forbidden) {
    return text.size() <= maxBytes &&
           text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
           (forbidden.empty() || text.find_first_of(forbidden) == std::string_view::npos);
}

std::string TomlReader::Name(std::string_view key) const {
    return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
}

const toml::node* TomlReader::Node(std::string_view key) {
    known_.insert(std::string(key));
    return table_.get(key);
}

bool TomlReader::Has(std::string_view key) {
    return Node(key) != nullptr;
}

bool TomlReader::Fail(std::string_view key, std::string_view what) {
    error_ = Name(key) + " " + std::string(what);
    return false;
}

bool TomlReader::Int(std::string_view key, std::int64_t min, std::int64_t max, std::int64_t& into) {
    const toml::node* node = Node(key);
    if (node == nullptr) {
        return true;
    }
    const auto value = node->value_exact<std::int64_t>();
    if (!value || *value < min || *value > max) {
        return Fail(key, "must be a whole number from " + std::to_string(min) + " to " +
                             std::to_string(max));
    }
    into = *value;
    return true;
}

bool TomlReader::Bool(std::string_view key, bool& into) {
    const toml::node* node = Node(key);
    if (node == nullptr) {
        return true;
    }
    const auto value = node->value_exact<bool>();
    if (!value) {
        return Fail(key, "must be true or false");
    }
    into = *value;
    return true;
}

bool TomlReader::Text(std::string_view key, std::string& into, std::size_t maxBytes,
                      std::string_view forbidden) {
    const toml::node* node = Node(key);
    if (node == nullptr) {
        return true;
    }
    const auto value = node->value_exact<std::string>();
    if (!value) {
        return Fail(key, "must be a text");
    }
    if (!CheckText(*value, maxBytes, forbidden)) {
        return Fail(key, "must be a text of at most " + std::to_string(maxBytes) +
                             " bytes without NUL or a line break" +
                             (forbidden.empty() ? "" : " or '" + std::string(forbidden) + "'"));
    }
    into = *value;
    return true;
}

bool TomlReader::Finish() {
    for (const auto& [key, node] : table_) {
        if (!known_.contains(std::string(key.str()))) {
            error_ = Name(key.str()) + " is not a known key";
            return false;
        }
    }
    return true;
}

} // namespace lindrel::stats
