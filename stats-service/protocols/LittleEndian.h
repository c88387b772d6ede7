#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The little-endian numbers and NUL-ended strings of binary replies (A2S, OpenTTD).
namespace lindrel::stats {

// Every read past the end fails and reads nothing.
class LittleEndianReader {
public:
    explicit LittleEndianReader(std::string_view data) : data_(data) {}
    // A number of `count` bytes, at most 8.
    std::optional<std::uint64_t> Number(std::size_t count);
    bool Skip(std::size_t count);
    std::optional<std::string_view> String();

private:
    std::string_view data_;
};

// Appends the low `count` bytes of value, lowest first.
void PutLittleEndian(std::string& out, std::uint64_t value, int count);

} // namespace lindrel::stats
