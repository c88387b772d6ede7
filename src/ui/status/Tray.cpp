#include "ui/status/Tray.h"

#include "base/Encoding.h"
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
    // A game's UTF-8 name is cut before a character, never inside one: half a character
    // would make the whole tip read as Windows-1252.
    if (tip.size() > kMaxTipLength) {
        tip.resize(IsValidUtf8(tip) ? CutUtf8(tip, kMaxTipLength).size() : kMaxTipLength);
    }
    return tip;
}

} // namespace lindrel
