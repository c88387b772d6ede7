#include "ui/status/frmMenu.h"

namespace lindrel {

frmMenu::frmMenu() : mnuMenu("Test"), mnuServer("Server") {
    setObjectName("MenuWindow");
    mnuOptions = mnuMenu.addAction("Options");
    mnuMenu.addSeparator();
    mnuExit = mnuMenu.addAction("Exit");
    mnuPlayers = mnuServer.addAction("Players");
    // The options and player windows are not part of this build yet.
    mnuOptions->setEnabled(false);
    mnuPlayers->setEnabled(false);
}

} // namespace lindrel
