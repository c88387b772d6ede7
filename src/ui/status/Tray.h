#pragma once

#include <QSystemTrayIcon>
#include <string>

namespace lindrel {

struct AppState;

// Mouse message numbers as the tray reports them.
inline constexpr int kMouseMove = 512;
inline constexpr int kLeftButtonDown = 513;
inline constexpr int kLeftButtonUp = 514;
inline constexpr int kLeftButtonDoubleClick = 515;
inline constexpr int kRightButtonDown = 516;
inline constexpr int kRightButtonUp = 517;

enum class TrayAction { None, ShowStatusWindow, PopUpTrayMenu };

// What a tray mouse message asks for: a left-button release shows the status window, a
// right-button release opens the tray menu unless a dialog is open, nothing else acts.
TrayAction DecodeTrayCallback(int message, bool dialogOpen);

// The mouse message that a Qt tray activation stands for; 0 for none.
int TrayMessageFor(QSystemTrayIcon::ActivationReason reason);

// Slot's name, map, players and ping joined by " - ".
std::string GetTipText(const AppState& state, int slot);

// The tip as the tray takes it: at most 127 characters.
inline constexpr std::size_t kMaxTipLength = 127;
std::string TrayTip(const AppState& state);

} // namespace lindrel
