#include "base/Text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace lindrel {

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        if (end == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> ReadLeadingNumber(std::string_view text) {
    // Collect the characters that form the number, blanks removed, then convert them
    // with from_chars, which ignores the process locale (the window toolkit sets one).
    std::string number;
    bool sawDigit = false;
    bool sawPoint = false;
    bool inExponent = false;
    bool exponentHasDigit = false;
    std::size_t i = 0;
    auto nextNonBlank = [&]() {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        return i < text.size() ? text[i] : '\0';
    };
    char c = nextNonBlank();
    if (c == '+' || c == '-') {
        number += c;
        ++i;
    }
    for (c = nextNonBlank(); i < text.size(); ++i, c = nextNonBlank()) {
        if (IsDigit(c)) {
            number += c;
            (inExponent ? exponentHasDigit : sawDigit) = true;
        } else if (c == '.' && !sawPoint && !inExponent) {
            number += c;
            sawPoint = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && sawDigit && !inExponent) {
            const std::size_t after = i + 1;
            const char sign = after < text.size() ? text[after] : '\0';
            number += 'e';
            inExponent = true;
            if (sign == '+' || sign == '-') {
                number += sign;
                ++i;
            }
        } else {
            break;
        }
    }
    if (!sawDigit) {
        return std::nullopt;
    }
    if (inExponent && !exponentHasDigit) {
        number += '0';
    }
    std::string_view digits(number);
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    double value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const bool negative = !digits.empty() && digits.front() == '-';
        const bool tiny = number.find("e-") != std::string::npos;
        if (tiny) {
            return negative ? -0.0 : 0.0;
        }
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

int RoundToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value);
    if (rounded >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (rounded <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(rounded);
}

int ReadWholeNumber(std::string_view text) {
    const auto number = ReadLeadingNumber(text);
    return number ? RoundToInt32(*number) : 0;
}

std::optional<int> ParseInt32(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return lower;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool LineReader::Next(std::string_view& line) {
    if (rest_.empty()) {
        return false;
    }
    const auto end = rest_.find('\n');
    if (end == std::string_view::npos) {
        line = rest_;
        rest_ = {};
    } else {
        line = rest_.substr(0, end);
        rest_.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return true;
}

} // namespace lindrel
