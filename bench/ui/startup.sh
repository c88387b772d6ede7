#!/usr/bin/env bash
# Whole-process figures of the monitor on an X desktop (Xvfb, openbox, trayer) against
# the bundled service in demo mode on loopback:
#  - start to the event loop with the tray icon up (median of 10 starts),
#  - peak memory, beside the smallest Qt tray program,
#  - CPU used between two polls.
# Bounded: about a minute; everything stays on 127.0.0.1 and a private X display.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh --bench
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel lindrel-stats lindrel-empty-tray >/dev/null
build=$PWD/build/default
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

if (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null; then
  echo "a service already answers at 127.0.0.1:27950; stop it first" >&2
  exit 1
fi
display=99
while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
sleep 1
openbox --sm-disable >/dev/null 2>&1 & pids+=($!)
trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
  >/dev/null 2>&1 & pids+=($!)
"$build/stats-service/lindrel-stats" --demo >/dev/null & pids+=($!)
sleep 2

icon_up() { xwininfo -root -tree | grep -qE '"lindrel": \("lindrel" "lindrel"\)\s+2[0-9]x2[0-9]'; }
ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

mkdir "$work/app"
cp "$build/src/app/lindrel" "$work/app/"
echo "== start to tray icon, 10 starts"
for run in $(seq 10); do
  start=$(ms)
  (cd "$work/app" && exec ./lindrel >/dev/null 2>&1) &
  pid=$!
  until icon_up; do sleep 0.002; done
  echo $(( $(ms) - start ))
  kill "$pid"; wait "$pid" 2>/dev/null || true
  while icon_up; do sleep 0.01; done
done > "$work/starts"
echo "median $(median < "$work/starts") ms (each: $(tr '\n' ' ' < "$work/starts"))"

echo "== memory and idle CPU"
(cd "$work/app" && exec ./lindrel >/dev/null 2>&1) &
monitor=$!; pids+=($monitor)
"$build/bench/lindrel-empty-tray" >/dev/null 2>&1 &
empty=$!; pids+=($empty)
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
before=$(ticks "$monitor")
sleep 10 # the first poll tick comes 15 s after the start
after=$(ticks "$monitor")
echo "CPU between polls: $((after - before)) clock ticks of $(getconf CLK_TCK) per second, over 10 s"
echo "peak memory, monitor: $(awk '/VmHWM/ {print $2, $3}' /proc/$monitor/status)"
echo "peak memory, empty Qt tray program: $(awk '/VmHWM/ {print $2, $3}' /proc/$empty/status)"
