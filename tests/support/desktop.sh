# Sourced by the scripts that run the monitor on a private X desktop (the end-to-end
# tests, the Windows program's test, the start-up benchmarks). The caller keeps the ids of
# what it starts in the array pids and ends them, or lets begin_desktop_run do it.

# A run's private folder ($work, kept when KEEP is set) and the processes it starts
# (pids), ended when the script exits. Call once, before starting anything.
begin_desktop_run() {
  work=$(mktemp -d)
  pids=()
  trap end_desktop_run EXIT
}
end_desktop_run() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local limit=$1; shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# Xvfb on a free display (exported as DISPLAY), 1024x768 at 96 dpi, openbox, and trayer
# at the bottom right (not with "notray" as $2); their logs go to the folder $1.
start_desktop() {
  local logs=$1 tray=${2:-tray} display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  export DISPLAY=":$display"
  # -noreset: else each probe's leaving resets the server, and who connects then is refused.
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset >"$logs/xvfb.log" 2>&1 &
  pids+=($!)
  wait_for 10 xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; return 1; }
  openbox --sm-disable >"$logs/openbox.log" 2>&1 &
  pids+=($!)
  # So that an openbox that failed is told as such, not later as a missing tray.
  wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    { echo "openbox did not start" >&2; cat "$logs/openbox.log" >&2; return 1; }
  [ "$tray" != notray ] || return 0
  trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel \
    --height 24 >"$logs/trayer.log" 2>&1 &
  pids+=($!)
  wait_for 10 sh -c 'xwininfo -root -tree | grep -q "\"panel\": (\"panel\" \"trayer\")"' ||
    { echo "trayer did not start" >&2; cat "$logs/trayer.log" >&2; return 1; }
}
