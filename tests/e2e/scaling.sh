#!/usr/bin/env bash
# The status window on an X desktop scaled by 1, 1.5 and 2 (QT_SCALE_FACTOR): its X Shape
# region follows the painted skin to the device pixel, and at 2 its title is drawn at 2,
# not blown up (tests/e2e/skin_check.py).   scaling.sh LINDREL SCREENSHOT_FOLDER
# A desktop without a tray, so the window shows at start; no service answers.
set -euo pipefail
lindrel=$1 shots=$2
mkdir -p "$shots"
here=$(dirname "$0")
# shellcheck source=tests/support/desktop.sh
source "$here/../support/desktop.sh"
begin_desktop_run
start_desktop "$work" notray || fail "no X desktop"
/usr/bin/python3 "$here/skin_check.py" --paint-root

status_window() { xdotool search --onlyvisible --name '^Lindrel$' 2>/dev/null | head -1; }
shown() { [ -n "$(status_window)" ] && xwininfo -id "$(status_window)" | grep -q IsViewable; }
for scale in 1 1.5 2; do
  mkdir -p "$work/app-$scale"
  cp "$lindrel" "$work/app-$scale/lindrel"
  # Nothing listens on this port: the start goes on at once without a service.
  QT_SCALE_FACTOR=$scale "$work/app-$scale/lindrel" >"$work/lindrel-$scale.out" 2>&1 &
  monitor=$!
  pids+=($monitor)
  wait_for 30 shown || fail "no status window at scale $scale: $(cat "$work/lindrel-$scale.out")"
  sleep 1
  /usr/bin/python3 "$here/skin_check.py" "$(status_window)" "$scale" "$shots/status-x$scale.png" ||
    fail "the window's shape does not follow its skin at scale $scale"
  kill "$monitor"
  wait "$monitor" 2>/dev/null || true
  wait_for 10 sh -c "! kill -0 $monitor 2>/dev/null" || fail "the monitor did not end"
done
echo "1 passed, 0 failed"
