#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A small JSON reader for what other programs send as JSON: a Minecraft server's status, a
// webhook receiver's answer. Every bound is the caller's: the text's length, the nesting and the
// number of values, so a hostile reply costs at most what they allow. Errors are values: anything
// that is not JSON, or passes a bound, is an empty optional.
namespace lindrel {

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;              // a string's characters, as UTF-8
    std::vector<JsonValue> items;  // an array's values, or an object's
    std::vector<std::string> keys; // an object's keys, beside its values

    // An object's value for key (the first, if it is repeated); null when there is none.
    const JsonValue* Find(std::string_view key) const;
    // A string member's text, or empty.
    std::string_view TextOf(std::string_view key) const;
    // A number member as an int clamped to [low, high], or fallback.
    int IntOf(std::string_view key, int low, int high, int fallback) const;
};

struct JsonLimits {
    std::size_t maxDepth = 16;
    std::size_t maxValues = 1024;
};

std::optional<JsonValue> ParseJson(std::string_view text, JsonLimits limits = {});

} // namespace lindrel
