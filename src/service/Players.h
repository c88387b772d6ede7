#pragma once

#include <string>

namespace lindrel {

struct AppState;

// The player list window as the "p2=" query fills it; lengths are in twips.
class PlayerListView {
public:
    virtual ~PlayerListView() = default;
    // The visible list and the scroll bar, once a reply is usable.
    virtual void SetListHeight(int twips) = 0;
    // No players: the template row reads "No Players Found" and the list is one row.
    virtual void ShowNoPlayers() = 0;
    // Players: the template row hides and the list is made this high.
    virtual void ShowRows(int rowsHeight) = 0;
    // More than ten players: the scroll bar runs from 0 to maximum, one step a row.
    virtual void ConfigureScrollBar(int maximum, int step) = 0;
    virtual void AddRow(int row, const std::string& name, const std::string& first,
                        const std::string& second, bool highlighted) = 0;
};

inline constexpr int kPlayerRowTwips = 235;
inline constexpr int kPlayerListTwips = 2350;
inline constexpr int kVisiblePlayerRows = 10;

// The query part of the player list request for a slot, without the base URL.
std::string PlayersQuery(const AppState& state, int slot);

// Asks the service for the players of a slot's server, stores the server's status in
// the slot, and fills the view. A reply it cannot use changes nothing, or stops at the
// first line it cannot read; it never builds a row from a missing line.
void PullPlayers(AppState& state, int slot, PlayerListView& view);

// PullPlayers' reply half.
void ApplyPlayersReply(AppState& state, int slot, const std::string& reply, PlayerListView& view);

} // namespace lindrel
