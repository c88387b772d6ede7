#pragma once

#include <string>
#include <string_view>
#include <vector>

// The live status message a Discord webhook keeps current: its text, the requests that make
// and edit it, and the id Discord's answer gives it. Errors are values: an empty id for an
// answer that names no message.
namespace lindrel::stats {

enum class LiveState { Up, Down, Maintenance };

// One configured server as the live message shows it.
struct LiveRow {
    int serverId = 0;
    std::string name;
    LiveState state = LiveState::Down;
    std::string map;
    int players = 0;
    int maxPlayers = 0;
};

// The request body: the title, then a line for each row the entry covers (`only`, in its
// order; empty: every row, in theirs), cut at a line with a count of the rest so that it
// keeps to Discord's 2,000 characters. Nobody is pinged, whatever a name says.
std::string LiveMessageBody(std::string_view title, const std::vector<LiveRow>& rows,
                            const std::vector<int>& only);

// The webhook's target (path and query) to make a message and have it back: "?wait=true".
std::string CreateMessageTarget(std::string_view target);
// The target that edits message `id`: "/messages/<id>" after the path, the query kept.
std::string EditMessageTarget(std::string_view target, std::string_view id);
// The "id" of the message object Discord answers with: 1 to 20 digits, else empty.
std::string MessageIdOf(std::string_view answer);
// Whether a kept id looks like one Discord gives.
bool IsMessageId(std::string_view id);
// What the message's id is kept under: 32 hex digits of the webhook URL's SHA-256, so that
// a changed URL starts a new message and the file holds no secret.
std::string LiveKey(std::string_view url);

} // namespace lindrel::stats
