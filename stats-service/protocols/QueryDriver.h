#pragma once

#include "protocols/GameStatus.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The seam between the poller and the games' query protocols. Each protocol is one driver;
// for every query of every server the driver makes an exchange, which writes the requests,
// checks each reply against the challenge or token it sent, reassembles split replies and
// parses them. Errors are values: a packet an exchange does not take is ignored, and an
// exchange that never finishes leaves its server silent.
namespace lindrel::stats {

enum class Transport { Udp, Tcp };

// What an exchange makes of a packet (over TCP: of the bytes read so far).
struct Step {
    enum class Kind {
        Ignore, // not a reply to this exchange: forged, late, garbage
        Wait,   // taken, more is to come
        Send,   // taken; send `packet` next
        Done,   // taken; Result() holds the status
    };
    Kind kind = Kind::Ignore;
    std::string packet;
};

// Random challenges and tokens, drawn from the system's random source.
class Tokens {
public:
    std::uint32_t Next() { return random_(); }
    // Letters and digits only, as text-based protocols need.
    std::string Text(std::size_t length);

private:
    std::random_device random_;
};

class Exchange {
public:
    virtual ~Exchange() = default;
    // The requests that open the exchange.
    virtual std::vector<std::string> Start() = 0;
    virtual Step Feed(std::string_view bytes) = 0;
    // After Done, the status. Before it, at the deadline, what has arrived when that is
    // enough to call the server up (server info without its player list). It is handed
    // over once: a second call is empty.
    virtual std::optional<StatusInfo> Result() = 0;
};

// One request whose single reply must echo the challenge or token it carried (Quake III,
// Mumble, Bedrock): `parse` reads a reply and puts what it echoes in StatusInfo::challenge.
class EchoExchange final : public Exchange {
public:
    using Parse = std::optional<StatusInfo> (*)(std::string_view);
    EchoExchange(std::string request, std::string token, Parse parse)
        : request_(std::move(request)), token_(std::move(token)), parse_(parse) {}
    std::vector<std::string> Start() override { return {request_}; }
    Step Feed(std::string_view bytes) override;
    std::optional<StatusInfo> Result() override { return std::exchange(status_, std::nullopt); }

private:
    std::string request_;
    std::string token_;
    Parse parse_;
    std::optional<StatusInfo> status_;
};

// One request over TCP whose reply says its own length (OpenTTD, Minecraft): the bytes are
// kept until `size` finds the whole reply there, which `parse` reads. Over TCP the
// connection is the proof of origin.
class FramedExchange final : public Exchange {
public:
    // The whole reply's size in bytes once its length has arrived, kNeedMore before, or
    // kNotAReply for a length no reply has (above the protocol's bound, say).
    using ReplySize = std::size_t (*)(std::string_view received);
    static constexpr std::size_t kNeedMore = 0;
    static constexpr std::size_t kNotAReply = SIZE_MAX;
    using Parse = std::optional<StatusInfo> (*)(std::string_view reply);

    FramedExchange(std::string request, ReplySize size, Parse parse)
        : request_(std::move(request)), size_(size), parse_(parse) {}
    std::vector<std::string> Start() override { return {request_}; }
    Step Feed(std::string_view bytes) override;
    std::optional<StatusInfo> Result() override { return std::exchange(status_, std::nullopt); }

private:
    std::string request_;
    ReplySize size_;
    Parse parse_;
    std::string received_;
    std::optional<StatusInfo> status_;
};

class QueryDriver {
public:
    virtual ~QueryDriver() = default;
    // The name the configuration gives it: "q3", "a2s", "teeworlds", "cube2", "openttd",
    // "mumble", "minecraft" (Java Edition), "bedrock".
    virtual std::string_view name() const = 0;
    virtual Transport transport() const { return Transport::Udp; }
    // Where queries go when the configuration names no query port.
    virtual std::uint16_t DefaultQueryPort(std::uint16_t gamePort) const { return gamePort; }
    virtual std::unique_ptr<Exchange> NewExchange(Tokens& tokens) const = 0;
};

// The driver of that name; null for an unknown one.
const QueryDriver* FindDriver(std::string_view name);
const QueryDriver& DefaultDriver(); // "q3"
// Every driver's name, for messages.
std::string DriverNames();
// Every driver, in the order DriverNames names them.
const std::vector<const QueryDriver*>& AllDrivers();

// Each protocol's driver.
const QueryDriver& Q3Driver();
const QueryDriver& A2sDriver();
const QueryDriver& TeeworldsDriver();
const QueryDriver& Cube2Driver();
const QueryDriver& OpenttdDriver();
const QueryDriver& MumbleDriver();
const QueryDriver& MinecraftDriver();
const QueryDriver& BedrockDriver();

} // namespace lindrel::stats
