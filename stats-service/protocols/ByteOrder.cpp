#include "protocols/ByteOrder.h"

namespace lindrel::stats {

std::optional<std::uint64_t> LittleEndianReader::Number(std::size_t count) {
    if (count > 8 || data_.size() < count) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = count; i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(data_[i - 1]);
    }
    data_.remove_prefix(count);
    return value;
}

bool LittleEndianReader::Skip(std::size_t count) {
    if (data_.size() < count) {
        return false;
    }
    data_.remove_prefix(count);
    return true;
}

std::optional<std::string_view> TakeNulEnded(std::string_view& data) {
    const auto end = data.find('\0');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const auto text = data.substr(0, end);
    data.remove_prefix(end + 1);
    return text;
}

std::optional<std::string_view> LittleEndianReader::String() {
    return TakeNulEnded(data_);
}

void PutLittleEndian(std::string& out, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i, value >>= 8) {
        out += static_cast<char>(value & 0xffu);
    }
}

std::uint64_t ReadBigEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (const char c : bytes.substr(0, 8)) {
        value = (value << 8) | static_cast<unsigned char>(c);
    }
    return value;
}

void PutBigEndian(std::string& out, std::uint64_t value, std::size_t count) {
    for (std::size_t i = count; i > 0; --i) {
        out += static_cast<char>((value >> (8 * (i - 1))) & 0xffu);
    }
}

} // namespace lindrel::stats
