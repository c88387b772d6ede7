#!/usr/bin/env bash
# Adds Lindrel to the desktop session of the current user: a menu entry for the monitor,
# an autostart entry that starts it at login, and a systemd user unit for the stats
# service, all pointing into this folder. Run it from the unpacked folder; run it again
# after moving the folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
config="${XDG_CONFIG_HOME:-$HOME/.config}"
units="$config/systemd/user"
autostart="$config/autostart"
mkdir -p "$apps" "$units" "$autostart"

[ -e "$here/lindrel-stats.toml" ] || cp "$here/lindrel-stats.example.toml" "$here/lindrel-stats.toml"

# The folder's own entry with its place filled in (sed's special characters escaped).
folder=$(printf '%s' "$here" | sed 's/[&|\\]/\\&/g')
sed "s|@FOLDER@|$folder|g" "$here/lindrel.desktop" > "$apps/lindrel.desktop"
# Started at login (freedesktop autostart: ~/.config/autostart); an entry the user has
# switched off (Hidden=true) stays off.
if ! grep -qx "Hidden=true" "$autostart/lindrel.desktop" 2>/dev/null; then
  cp "$apps/lindrel.desktop" "$autostart/lindrel.desktop"
fi

cat > "$units/lindrel-stats.service" <<UNIT
[Unit]
Description=Lindrel stats service

[Service]
ExecStart="$here/lindrel-stats" --config "$here/lindrel-stats.toml"
Restart=on-failure

[Install]
WantedBy=default.target
UNIT

echo "Added $apps/lindrel.desktop, $autostart/lindrel.desktop and $units/lindrel-stats.service"
if command -v systemctl >/dev/null && systemctl --user daemon-reload 2>/dev/null; then
  systemctl --user enable --now lindrel-stats.service && echo "lindrel-stats is running"
else
  echo "No systemd user session here: start $here/lindrel-stats --config $here/lindrel-stats.toml yourself"
fi
