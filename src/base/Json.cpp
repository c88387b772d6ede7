#include "base/Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace lindrel {

namespace {

void PutUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

// Recursive descent, the depth bounded by the limits.
class Parser {
public:
    Parser(std::string_view text, JsonLimits limits) : text_(text), limits_(limits) {}

    bool Value(JsonValue& value, std::size_t depth) {
        if (depth > limits_.maxDepth || ++values_ > limits_.maxValues) {
            return false;
        }
        SkipSpace();
        if (at_ >= text_.size()) {
            return false;
        }
        switch (text_[at_]) {
        case '{':
            return Object(value, depth);
        case '[':
            return Array(value, depth);
        case '"':
            value.type = JsonValue::Type::String;
            return String(value.text);
        case 't':
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
            return Word("true");
        case 'f':
            value.type = JsonValue::Type::Bool;
            return Word("false");
        case 'n':
            return Word("null");
        default:
            value.type = JsonValue::Type::Number;
            return Number(value.number);
        }
    }

    bool AtEnd() {
        SkipSpace();
        return at_ == text_.size();
    }

private:
    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }
    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }
    bool Number(double& number) {
        const std::size_t start = at_;
        while (at_ < text_.size() &&
               std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
        const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + at_, number);
        return error == std::errc() && end == text_.data() + at_ && at_ > start &&
               std::isfinite(number);
    }
    bool Hex4(char32_t& code) {
        if (at_ + 4 > text_.size()) {
            return false;
        }
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + at_, text_.data() + at_ + 4, value, 16);
        if (error != std::errc() || end != text_.data() + at_ + 4) {
            return false;
        }
        at_ += 4;
        code = value;
        return true;
    }
    bool String(std::string& out) {
        ++at_; // the opening quote
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) {
                return false;
            }
            const char escape = text_[at_++];
            const auto simple = std::string_view("\"\\/bfnrt").find(escape);
            if (simple != std::string_view::npos) {
                out += "\"\\/\b\f\n\r\t"[simple];
                continue;
            }
            char32_t code = 0;
            if (escape != 'u' || !Hex4(code)) {
                return false;
            }
            // A surrogate pair makes one character; a lone half becomes U+FFFD.
            if (code >= 0xd800 && code < 0xdc00 && text_.substr(at_, 2) == "\\u") {
                at_ += 2;
                char32_t low = 0;
                if (!Hex4(low)) {
                    return false;
                }
                code = low >= 0xdc00 && low < 0xe000
                           ? 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00)
                           : 0xfffd;
            } else if (code >= 0xd800 && code < 0xe000) {
                code = 0xfffd;
            }
            PutUtf8(out, code);
        }
        return false;
    }
    bool Array(JsonValue& value, std::size_t depth) {
        value.type = JsonValue::Type::Array;
        ++at_;
        if (Take(']')) {
            return true;
        }
        do {
            value.items.emplace_back();
            if (!Value(value.items.back(), depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take(']');
    }
    bool Object(JsonValue& value, std::size_t depth) {
        value.type = JsonValue::Type::Object;
        ++at_;
        if (Take('}')) {
            return true;
        }
        do {
            SkipSpace();
            if (at_ >= text_.size() || text_[at_] != '"') {
                return false;
            }
            value.keys.emplace_back();
            value.items.emplace_back();
            if (!String(value.keys.back()) || !Take(':') || !Value(value.items.back(), depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take('}');
    }

    std::string_view text_;
    JsonLimits limits_;
    std::size_t at_ = 0;
    std::size_t values_ = 0;
};

} // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
    if (type != Type::Object) {
        return nullptr;
    }
    const auto it = std::find(keys.begin(), keys.end(), key);
    return it == keys.end() ? nullptr : &items[static_cast<std::size_t>(it - keys.begin())];
}

std::string_view JsonValue::TextOf(std::string_view key) const {
    const JsonValue* member = Find(key);
    return member != nullptr && member->type == Type::String ? std::string_view(member->text)
                                                             : std::string_view();
}

int JsonValue::IntOf(std::string_view key, int low, int high, int fallback) const {
    const JsonValue* member = Find(key);
    if (member == nullptr || member->type != Type::Number) {
        return fallback;
    }
    return static_cast<int>(
        std::clamp(member->number, static_cast<double>(low), static_cast<double>(high)));
}

std::optional<JsonValue> ParseJson(std::string_view text, JsonLimits limits) {
    Parser parser(text, limits);
    JsonValue value;
    if (!parser.Value(value, 0) || !parser.AtEnd()) {
        return std::nullopt;
    }
    return value;
}

} // namespace lindrel
