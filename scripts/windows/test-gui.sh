#!/usr/bin/env bash
# The Windows monitor for real, under wine on an X desktop (Xvfb, openbox, trayer): the
# zip's lindrel.exe against a Linux lindrel-stats --demo at 127.0.0.1:27950 (its poll
# counter must rise, the status window must show the five demo servers, the tray icon must
# be there, "Exit" must end it), the status window's shape at 144 DPI, then the installer,
# silently, and its uninstaller.
# Needs the Qt for Windows cache (build-qt.sh); builds the release with build.sh.
#   test-gui.sh [SCREENSHOT_FOLDER]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/windows/env.sh
source "$here/env.sh"
cd "$lindrel_root"
shots=${1:-$lindrel_root/build/screenshots}
mkdir -p "$shots"

step() { echo "-- $*"; }
# shellcheck source=tests/support/desktop.sh
source "$lindrel_root/tests/support/desktop.sh"

"$here/build.sh" >/dev/null
version=$(sed -n 's/^project(lindrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel-stats >/dev/null
lindrel_wine_ready

if (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null; then
  fail "something already listens on 127.0.0.1:27950, where the monitor looks for its service"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_desktop "$work" || fail "no X desktop"

step "the Linux service in demo mode"
build/default/stats-service/lindrel-stats --demo >"$work/stats.log" 2>&1 &
pids+=($!)
wait_for 10 bash -c '(exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null' || fail "service did not start"
polls() {
  python3 - <<'PY'
import urllib.request
text = urllib.request.urlopen("http://127.0.0.1:27950/metrics", timeout=5).read().decode()
print(next(int(float(line.split()[-1])) for line in text.splitlines()
           if line.startswith("lindrel_stats_polls_total")))
PY
}
polls_before=$(polls)

step "lindrel.exe from the zip"
unzip -q "dist/lindrel-$version-windows-x64.zip" -d "$work"
app="$work/lindrel-$version"
(cd "$app" && exec "$lindrel_wine" lindrel.exe) >"$work/lindrel.out" 2>&1 &
monitor=$!
pids+=($monitor)

# "WIDTH HEIGHT X Y" of every top-level window with that name.
windows() {
  xwininfo -root -tree | perl -ne 'print "$1 $2 $3 $4\n" if /"\Q'"$1"'\E": \([^)]*\)\s+(\d+)x(\d+)[+-]\d+[+-]\d+\s+\+(-?\d+)\+(-?\d+)/'
}
# The icon wine docks in trayer: a small window inside the panel.
tray_icon() {
  xwininfo -root -tree | perl -ne '
    $in = 1 if /"panel": \("panel" "trayer"\)/;
    if ($in && /\s(\d+)x(\d+)[+-]\d+[+-]\d+\s+\+(-?\d+)\+(-?\d+)/ && $1 <= 32 && $1 >= 8 && $4 > 700) {
      print "$1 $2 $3 $4\n"; exit } '
}
has_tray_icon() { [ -n "$(tray_icon)" ]; }
wait_for 60 has_tray_icon || fail "no tray icon"
# Presses and releases a mouse button on the icon, as slowly as a hand (wine's tray takes
# a quick click of the right button for none). The icon's place is read anew each time:
# trayer lays its icons out again as they come.
click_icon() {
  local icon_w icon_h icon_left icon_top
  read -r icon_w icon_h icon_left icon_top <<<"$(tray_icon)"
  xdotool mousemove $((icon_left + icon_w / 2)) $((icon_top + icon_h / 2)) mousedown "$1"
  sleep 0.3
  xdotool mouseup "$1"
}

step "the monitor polls the service"
polled() { [ "$(polls)" -ge $((polls_before + 2)) ]; }
wait_for 60 polled || fail "the service's poll counter did not rise ($polls_before, now $(polls))"

step "a click on the icon shows the status window with the five demo servers"
status_window() { windows Lindrel | awk '$1 >= 290 && $1 <= 320 && $2 >= 150 && $2 <= 170 { print; exit }'; }
has_status_window() { [ -n "$(status_window)" ]; }
sleep 2 # the tray settles
click_icon 1
wait_for 10 has_status_window || { click_icon 1; wait_for 10 has_status_window; } ||
  fail "status window not shown"
sleep 1 # wine maps the window, then moves it to its place: its place is read once there
read -r _ _ left top <<<"$(status_window)"
import -window root "$shots/windows-status-window.png"
for row in 26 49 69 90 112; do
  yellow=$(convert "$shots/windows-status-window.png" -crop "92x14+$((left + 32))+$((top + row))" \
    +repage -fill black -fuzz 25% +opaque yellow -format '%[fx:mean>0?1:0]' info:)
  [ "$yellow" = 1 ] || fail "row at $row is empty"
done

step "\"Exit\" in the tray menu ends it"
menu() { windows lindrel | awk '$1 > 40 && $2 < 120 { print; exit }'; }
has_menu() { [ -n "$(menu)" ]; }
click_icon 3
wait_for 10 has_menu || fail "no tray menu"
sleep 0.5
import -window root "$shots/windows-tray-menu.png"
xdotool key Up Return # the last item
ended() { ! kill -0 "$monitor" 2>/dev/null; }
wait_for 20 ended || fail "the monitor did not end"
grep -q "APPLICATION ENDED" "$app/lindrellog.log" || fail "no \"APPLICATION ENDED\" in the log"

step "at 144 DPI the status window's shape follows its skin to the device pixel"
# Windows' 150 %: the screen's dots per inch for every program of the prefix.
dpi() { "$lindrel_wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
dpi 144
trap 'dpi 96; cleanup' EXIT
wineserver -k 2>/dev/null || true # the setting is read when wine starts
/usr/bin/python3 tests/e2e/skin_check.py --paint-root
(cd "$app" && exec "$lindrel_wine" lindrel.exe) >"$work/lindrel-144.out" 2>&1 &
monitor=$!
pids+=($monitor)
wait_for 60 has_tray_icon || fail "no tray icon at 144 DPI"
sleep 2
large_status_window() { xdotool search --onlyvisible --name '^Lindrel$' 2>/dev/null | while read -r id; do
  xwininfo -id "$id" | awk -v id="$id" '/Width:/ && $2 >= 440 && $2 <= 460 { print id; exit }'; done | head -n 1; }
has_large_status_window() { [ -n "$(large_status_window)" ]; }
click_icon 1
wait_for 10 has_large_status_window || { click_icon 1; wait_for 10 has_large_status_window; } ||
  fail "no status window of 150 % size at 144 DPI"
xdotool mousemove 100 100 # off the icon, whose tip would cover the window's corner
sleep 1.5
read -r _ _ left144 top144 <<<"$(xwininfo -id "$(large_status_window)" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print 0, 0, x, y}')"
# Flush with the screen's right edge, give or take the half pixel of 301 x 1.5.
[ $((left144 + 452)) -le 1025 ] && [ $((top144 + 236)) -le 768 ] ||
  fail "at 144 DPI the status window is placed off the screen, at $left144,$top144"
/usr/bin/python3 tests/e2e/skin_check.py "$(large_status_window)" 1.5 "$shots/windows-status-144dpi.png" ||
  fail "at 144 DPI the status window's shape does not follow its skin"
wineserver -k 2>/dev/null || true # the monitor's end was checked above
wait "$monitor" 2>/dev/null || true
dpi 96

step "the installer, silently, and its uninstaller"
installed="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Lindrel"
rm -rf "$installed"
# Both return before their work is done (the uninstaller runs on from a copy of itself), so
# the checks wait for every program in the prefix to end.
settle() { timeout 120 wineserver -w || fail "wine's programs did not end within 120 s"; }
"$lindrel_wine" "dist/lindrel-$version-setup.exe" /S
settle
[ -f "$installed/uninstall.exe" ] || fail "nothing installed at $installed"
for file in lindrel.exe Qt6Core.dll platforms/qwindows.dll LICENSE.txt; do
  [ -f "$installed/$file" ] || fail "the installer left out $file"
done
start_menu="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
[ -f "$start_menu/Lindrel.lnk" ] || fail "no Start-menu entry"
run_key() { grep -A3 -i '^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run\]' "$WINEPREFIX/user.reg"; }
run_key | grep -q '"Lindrel"=' || fail "no start with Windows in the user's Run key"
printf 'kept\r\n' >"$installed/lindrel.dat"
"$lindrel_wine" "$installed/uninstall.exe" /S
settle
[ ! -e "$installed/lindrel.exe" ] && [ ! -e "$installed/uninstall.exe" ] || fail "the uninstaller left the program"
[ "$(cat "$installed/lindrel.dat")" = $'kept\r' ] || fail "the uninstaller took the settings"
[ ! -e "$start_menu/Lindrel.lnk" ] || fail "the uninstaller left the Start-menu entry"
! run_key | grep -q '"Lindrel"=' || fail "the uninstaller left the Run key"
echo "Windows program under wine: passed"
