#pragma once

#include <string>
#include <vector>

namespace lindrel {

// One alert as the poll raises it: the notice's title and its message.
struct HeldAlert {
    std::string title;
    std::string message;
    bool operator==(const HeldAlert&) const = default;
};

// The alerts raised while the user is in a full-screen program, kept until they leave it.
// A message of the poll's holds one entry per server ("NAME is Down" or "NAME is online";
// "-- N Player(s) found on server NAME" with the names' line): of each server only its
// newest entry of each kind is kept, so a server that went down and came back while the
// user played is told once, as it is now.
class HeldAlerts {
public:
    void Hold(const std::string& title, const std::string& message);
    bool empty() const { return entries_.empty(); }

    // The alerts to show, one per title (in the order of each title's oldest kept entry),
    // each message made of the kept entries in the order they came; the hold is empty
    // after.
    std::vector<HeldAlert> Release();

private:
    struct Entry {
        std::string title;
        std::string server; // the entry's key: the server it tells of
        std::string text;   // with its line ends, as the poll wrote it
    };
    std::vector<Entry> entries_; // oldest first
};

} // namespace lindrel
