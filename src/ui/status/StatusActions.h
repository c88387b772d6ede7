#pragma once

namespace lindrel {

// What the status window asks of the rest of the program: the parts above it (the
// launcher, the shut-down) implement this.
class StatusActions {
public:
    virtual ~StatusActions() = default;
    // A double-click on a row.
    virtual void RunGame(int slot) = 0;
    // Open and show a window; top and left are the status window's edges in twips.
    virtual void OpenServerOptions(int slot, int top, int left) = 0;
    virtual void OpenPlayers(int slot, int top, int left) = 0;
    virtual void OpenGlobalOptions() = 0;
    // "Exit" in the tray menu; does not return to the caller's event handling.
    virtual void Exit() = 0;
};

} // namespace lindrel
