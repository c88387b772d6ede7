#include "ui/status/frmMenu.h"

namespace lindrel {

frmMenu::frmMenu() : mnuMenu("Test"), mnuServer("Server") {
    setObjectName("MenuWindow");
    mnuOptions = mnuMenu.addAction("Options");
    mnuMenu.addSeparator();
    mnuExit = mnuMenu.addAction("Exit");
    mnuPlayers = mnuServer.addAction("Players");
}

} // namespace lindrel
