#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The numbers and NUL-ended strings of binary replies: little-endian (A2S, OpenTTD) and
// big-endian (Mumble, RakNet).
namespace lindrel::stats {

// The NUL-ended string at the front of data, taken off it with its NUL; empty (and data
// as it was) when no NUL ends it.
std::optional<std::string_view> TakeNulEnded(std::string_view& data);

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

// The number the bytes make, highest first (at most 8 of them).
std::uint64_t ReadBigEndian(std::string_view bytes);
// Appends the low `count` bytes of value, highest first.
void PutBigEndian(std::string& out, std::uint64_t value, std::size_t count);

} // namespace lindrel::stats
