#pragma once

// What a dialog asks of the window that opened it: the status window implements this, so
// the dialogs need none of its files.
namespace lindrel {

class DialogOwner {
public:
    virtual ~DialogOwner() = default;
    // The dialog closes: the owner takes input again.
    virtual void ReEnable() = 0;
    // A slot's facts changed while the dialog was open: its row shows them again.
    virtual void RefreshRow(int slot) = 0;
};

} // namespace lindrel
