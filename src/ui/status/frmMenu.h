#pragma once

#include <QMenu>
#include <QObject>

namespace lindrel {

// Holds the two pop-up menus: the tray menu (Options, Exit) and the server menu
// (Players). It is never shown itself.
class frmMenu : public QObject {
    Q_OBJECT
public:
    frmMenu();

    QMenu mnuMenu;
    QAction* mnuOptions;
    QAction* mnuExit;
    QMenu mnuServer;
    QAction* mnuPlayers;
};

} // namespace lindrel
