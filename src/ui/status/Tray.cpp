#include "ui/status/Tray.h"

#include "core/AppState.h"

namespace lindrel {

TrayAction DecodeTrayCallback(int message, bool dialogOpen) {
    switch (message) {
    case kLeftButtonUp:
        return TrayAction::ShowStatusWindow;
    case kRightButtonUp:
        return dialogOpen ? TrayAction::None : TrayAction::PopUpTrayMenu;
    default:
        return TrayAction::None;
    }
}

int TrayMessageFor(QSystemTrayIcon::ActivationReason reason) {
    // Qt reports a click once the button is released, and a double click as its own
    // event after the first click.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kLeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return kLeftButtonDoubleClick;
    case QSystemTrayIcon::Context:
        return kRightButtonUp;
    default:
        return 0;
    }
}

std::string GetTipText(const AppState& state, int slot) {
    const auto& status = state.ServerStatus.at(static_cast<std::size_t>(slot));
    return status.ReportedName + " - " + status.MapName + " - " + status.Players + " - " +
           status.Ping;
}

std::string TrayTip(const AppState& state) {
    std::string tip = GetTipText(state, 0);
    if (tip.size() > kMaxTipLength) {
        tip.resize(kMaxTipLength);
    }
    return tip;
}

} // namespace lindrel
