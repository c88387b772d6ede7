#pragma once

#include "ui/status/StatusActions.h"

namespace lindrel::test {

// For a status window whose rows, menus and edit spots lead nowhere.
class NoStatusActions : public StatusActions {
public:
    void RunGame(int) override {}
    void OpenServerOptions(int, int, int) override {}
    void OpenPlayers(int, int, int) override {}
    void OpenGlobalOptions() override {}
    void Exit() override {}
};

} // namespace lindrel::test
