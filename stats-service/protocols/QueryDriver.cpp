#include "protocols/QueryDriver.h"

namespace lindrel::stats {

const std::vector<const QueryDriver*>& AllDrivers() {
    static const std::vector<const QueryDriver*> drivers = {
        &Q3Driver(),      &A2sDriver(),    &TeeworldsDriver(), &Cube2Driver(),
        &OpenttdDriver(), &MumbleDriver(), &MinecraftDriver(), &BedrockDriver()};
    return drivers;
}

std::string Tokens::Text(std::size_t length) {
    static constexpr std::string_view kAlphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string text;
    while (text.size() < length) {
        // Five characters of 62 from each 32-bit draw.
        std::uint32_t bits = Next();
        for (int i = 0; i < 5 && text.size() < length; ++i) {
            text += kAlphabet[bits % kAlphabet.size()];
            bits /= static_cast<std::uint32_t>(kAlphabet.size());
        }
    }
    return text;
}

Step EchoExchange::Feed(std::string_view bytes) {
    auto status = parse_(bytes);
    if (!status || status->challenge != token_) {
        return {};
    }
    status_ = std::move(status);
    return {Step::Kind::Done, {}};
}

Step FramedExchange::Feed(std::string_view bytes) {
    received_ += bytes;
    const std::size_t size = size_(received_);
    if (size == kNotAReply) {
        return {};
    }
    if (size == kNeedMore || received_.size() < size) {
        return {Step::Kind::Wait, {}};
    }
    status_ = parse_(std::string_view(received_).substr(0, size));
    return {status_ ? Step::Kind::Done : Step::Kind::Ignore, {}};
}

const QueryDriver* FindDriver(std::string_view name) {
    for (const QueryDriver* driver : AllDrivers()) {
        if (driver->name() == name) {
            return driver;
        }
    }
    return nullptr;
}

const QueryDriver& DefaultDriver() {
    return Q3Driver();
}

std::string DriverNames() {
    std::string names;
    for (const QueryDriver* driver : AllDrivers()) {
        names += (names.empty() ? "\"" : ", \"") + std::string(driver->name()) + "\"";
    }
    return names;
}

} // namespace lindrel::stats
