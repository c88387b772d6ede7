#!/usr/bin/env bash
# End to end on a real X desktop: Xvfb, openbox and trayer, the bundled stats service
# with five demo game servers, and the monitor itself, driven with xdotool.
#   monitor.sh LINDREL LINDREL_STATS LINDREL_DEMO_SERVERS SCREENSHOT_FOLDER
# Everything listens on 127.0.0.1 or a local X display and is stopped at the end.
set -euo pipefail
lindrel=$1 stats=$2 demo=$3 shots=$4
mkdir -p "$shots"
step() { echo "-- $*"; }

# shellcheck source=tests/support/desktop.sh
source "$(dirname "$0")/../support/desktop.sh"
begin_desktop_run

if (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null; then
  fail "something already listens on 127.0.0.1:27950, where the monitor looks for its service"
fi

start_desktop "$work" || fail "no X desktop"

step "service with five demo game servers"
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$demo" --count 5 --port "$port" >"$work/demo.log" 2>&1 &
demo_pid=$!
pids+=($demo_pid)
{
  printf '[service]\nlisten = "127.0.0.1:27950"\nrefresh_ms = 1000\nquery_timeout_ms = 200\n'
  i=0
  for entry in "7 Quorvane Other" "4 Quorvane TS" "8 Quorvane CTF" "6 Quorvane Duel" "9 Quorvane Public"; do
    printf '[[directory]]\nid = %s\nname = "%s"\naddress = "127.0.0.1"\nport = %s\n' \
      "${entry%% *}" "${entry#* }" $((port + i))
    i=$((i + 1))
  done
} >"$work/stats.toml"
"$stats" --config "$work/stats.toml" >"$work/stats.log" 2>&1 &
pids+=($!)
wait_for 10 bash -c '(exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null' || fail "service did not start"
sleep 1.5 # the first refresh

step "monitor starts, hidden, with its tray icon"
mkdir "$work/app"
cp "$lindrel" "$work/app/lindrel"
"$work/app/lindrel" >"$work/lindrel.out" 2>&1 &
monitor=$!
pids+=($monitor)
# "WIDTH HEIGHT X Y" of every window with that name and class lindrel.
windows() {
  xwininfo -root -tree | perl -ne 'print "$1 $2 $3 $4\n" if /"\Q'"$1"'\E": \("lindrel" "lindrel"\)\s+(\d+)x(\d+)[+-]\d+[+-]\d+\s+\+(-?\d+)\+(-?\d+)/'
}
tray_icon() { windows lindrel | awk '$1 <= 32 { print; exit }'; }
has_tray_icon() { [ -n "$(tray_icon)" ]; }
wait_for 30 has_tray_icon || fail "no tray icon"
read -r icon_w icon_h icon_left icon_top <<<"$(tray_icon)"
icon_x=$((icon_left + icon_w / 2))
icon_y=$((icon_top + icon_h / 2))
[ -z "$(windows Lindrel | awk '$1 == 301')" ] || fail "status window visible at start"

step "a click on the icon shows the status window at the bottom right"
xdotool mousemove "$icon_x" "$icon_y" click 1
status_window() { windows Lindrel | awk '$1 == 301 && $2 == 157'; }
has_status_window() { [ -n "$(status_window)" ]; }
wait_for 5 has_status_window || fail "status window not shown"
[ "$(status_window)" = "301 157 723 579" ] || fail "status window misplaced: $(status_window)"
sleep 0.5
import -window root "$shots/status-window.png"
for top in 26 49 69 90 112; do
  yellow=$(convert "$shots/status-window.png" -crop "92x14+$((723 + 32))+$((579 + top))" +repage \
    -fill black -fuzz 25% +opaque yellow -format '%[fx:mean>0?1:0]' info:)
  [ "$yellow" = 1 ] || fail "row at $top is empty"
done

# Clicks at a point given in pixels inside the window with that title.
click_in() {
  local title=$1 x=$2 y=$3 w h left top
  read -r w h left top <<<"$(windows "$title" | head -1)"
  xdotool mousemove $((left + x)) $((top + y)) click 1
}
# Types into the text box at that point: click, select all, type.
type_in() {
  click_in "$1" "$2" "$3"
  xdotool key ctrl+a type --delay 20 "$4"
}
menu() { windows lindrel | awk '$1 > 40 && $2 < 120 { print; exit }'; }
has_menu() { [ -n "$(menu)" ]; }
# Clicks the first item of the open pop-up menu, or the last with "last".
click_menu_item() {
  wait_for 5 has_menu || fail "no menu"
  local w h left top
  read -r w h left top <<<"$(menu)"
  if [ "$1" = last ]; then
    xdotool mousemove $((left + w / 2)) $((top + h - 10)) click 1
  else
    xdotool mousemove $((left + w / 2)) $((top + 12)) click 1
  fi
}
has_window() { [ -n "$(windows "$1")" ]; }
gone() { ! has_window "$1"; }

step "the edit spot opens the server options; a new name is kept"
xdotool mousemove $((723 + 282)) $((579 + 33)) click 1
wait_for 5 has_window "Game Options" || fail "no server options window"
sleep 0.3
import -window root "$shots/server-options.png"
type_in "Game Options" 120 39 "E2E Server"
click_in "Game Options" 143 250
wait_for 10 gone "Game Options" || fail "server options did not close"

step "the tray menu opens the global options; a wanted player is kept"
xdotool mousemove "$icon_x" "$icon_y" click 3
click_menu_item first
wait_for 5 has_window "Global Options" || fail "no global options window"
sleep 0.3
import -window root "$shots/global-options.png"
type_in "Global Options" 120 95 "Grism"
click_in "Global Options" 143 250
wait_for 5 gone "Global Options" || fail "global options did not close"

step "the server menu opens the player list"
xdotool mousemove $((723 + 100)) $((579 + 55)) click 3
click_menu_item first
wait_for 5 has_window "Player List" || fail "no player list"
sleep 0.5
import -window root "$shots/player-list.png"
click_in "Player List" 143 250
wait_for 5 gone "Player List" || fail "player list did not close"

step "a server going down raises the alert, the focus stays where it was"
xmessage -name lindrel-focus -geometry 300x100+10+10 "typing here" &
pids+=($!)
focus_window() { xdotool search --name lindrel-focus 2>/dev/null | head -1; }
has_focus_window() { [ -n "$(focus_window)" ]; }
wait_for 5 has_focus_window || fail "no focus window"
xdotool windowactivate --sync "$(focus_window)" >/dev/null 2>&1 || xdotool windowfocus --sync "$(focus_window)"
before=$(xdotool getwindowfocus)
# That window fills the screen, as a game does, through the window manager: the alert
# waits until it leaves full screen.
wmctrl -i -r "$(focus_window)" -b add,fullscreen
fullscreen() { xprop -id "$(focus_window)" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
wait_for 5 fullscreen || fail "the window manager did not make the window full screen"
kill "$demo_pid"
alert_window() { windows "Lindrel Alert" | awk '$1 == 370'; }
has_alert() { [ -n "$(alert_window)" ]; }
all_down() {
  ! python3 -c 'import urllib.request; print(urllib.request.urlopen("http://127.0.0.1:27950/api/servers", timeout=2).read().decode())' |
    grep -q '"up":true'
}
wait_for 20 all_down || fail "the service did not see the servers go down"
# A poll of the monitor comes within its 15 s; its alert must be held all that time.
held_until=$((SECONDS + 17))
while [ $SECONDS -lt $held_until ]; do
  has_alert && fail "the alert showed over a full-screen window"
  sleep 0.2
done
[ "$(xdotool getwindowfocus)" = "$before" ] || fail "the held alert took the focus"
import -window root "$shots/alert-held.png"
wmctrl -i -r "$(focus_window)" -b remove,fullscreen
wait_for 5 has_alert || fail "no alert after leaving full screen"
[ "$(alert_window)" = "370 156 622 580" ] || fail "alert misplaced: $(alert_window)"
sleep 0.5
[ "$(xdotool getwindowfocus)" = "$before" ] || fail "the alert took the focus"
import -window root "$shots/alert.png"

step "Exit from the tray menu ends the program and removes the icon"
xdotool mousemove "$icon_x" "$icon_y" click 3
wait_for 5 has_menu || fail "no tray menu"
import -window root "$shots/tray-menu.png"
click_menu_item last
ended() { ! kill -0 "$monitor" 2>/dev/null; }
wait_for 10 ended || fail "the program did not end"
code=0
wait "$monitor" || code=$?
[ "$code" = 0 ] || fail "the program ended with status $code: $(cat "$work/lindrel.out")"
has_tray_icon && fail "the tray icon is still there"
last=$(tail -n 1 "$work/app/lindrellog.log" | tr -d '\r')
[[ "$last" == *"] APPLICATION ENDED" ]] || fail "last log line: $last"
grep -q "] APPLICATION STARTED" "$work/app/lindrellog.log" || fail "no start in the log"

step "the changes are in the settings files, and a restart keeps them"
grep -q '^0,E2E+Server,' "$work/app/lindrel.dat" || fail "server name not saved: $(head -1 "$work/app/lindrel.dat")"
[ "$(sed -n 3p "$work/app/global.dat" | tr -d '\r')" = Grism ] || fail "wanted player not saved"
cp "$work/app/lindrel.dat" "$work/lindrel.before"
"$work/app/lindrel" >"$work/lindrel2.out" 2>&1 &
monitor=$!
pids+=($monitor)
wait_for 30 has_tray_icon || fail "no tray icon after the restart"
read -r icon_w icon_h icon_left icon_top <<<"$(tray_icon)"
xdotool mousemove $((icon_left + icon_w / 2)) $((icon_top + icon_h / 2)) click 1
wait_for 5 has_status_window || fail "status window not shown after the restart"
sleep 0.5
import -window root "$shots/after-restart.png"
cmp -s "$work/lindrel.before" "$work/app/lindrel.dat" || fail "the restart rewrote lindrel.dat"
[ "$(sed -n 3p "$work/app/global.dat" | tr -d '\r')" = Grism ] || fail "wanted player lost"
xdotool mousemove $((icon_left + icon_w / 2)) $((icon_top + icon_h / 2)) click 3
click_menu_item last
wait_for 10 ended || fail "the program did not end after the restart"
echo "screenshots: $shots"
echo "1 passed, 0 failed"
