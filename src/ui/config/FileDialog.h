#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QWidget;

namespace lindrel {

struct AppState;

struct FileDialogResult {
    std::int16_t Count = 0;
    std::vector<std::string> FileNames;
    std::string Directory; // up to and including the last separator
    bool Cancelled = true;
};

// The game program chooser: one existing file, titled with the program's file dialog
// title, starting at the file chosen last in this run, centred on the screen (or on the
// owner). Qt's own dialog, so that it can be placed and behaves the same everywhere.
FileDialogResult OpenFileDialog(AppState& state, QWidget* owner, bool CenterOnOwner);

// Selects the first entry whose item data equals value; no selection when none does.
void SelectByItemData(QComboBox& combo, int value);

} // namespace lindrel
