// Saves the settings again and again, alternating between two sets of values, so that a
// test can kill it at any moment: lindrel-save-loop FOLDER COUNT. Writes a line to standard
// output once its first save is done, so that the moment of the kill falls among the saves
// whatever the program took to load and to save once (a save takes milliseconds under
// the sanitizers on a slow disk).
#include "core/AppState.h"
#include "core/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    lindrel::AppState state(argv[1]);
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        const std::string value = (i % 2 == 0 ? "even " : "odd ") + std::string(2000, 'x');
        for (int slot = 0; slot < lindrel::kSlotCount; ++slot) {
            for (int field = 0; field < lindrel::kServerFieldCount; ++field) {
                state.ServerData(slot, field) = value;
            }
        }
        for (int item = 0; item < lindrel::kGlobalItemCount; ++item) {
            state.GlobalData[item] = value;
        }
        lindrel::SaveSettings(state);
        if (i == 0) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
    return 0;
}
