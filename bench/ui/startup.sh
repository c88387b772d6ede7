#!/usr/bin/env bash
# Whole-process figures of the monitor on an X desktop (Xvfb, openbox, trayer) against
# the bundled service in demo mode on loopback, each beside the smallest Qt tray program
# (lindrel-empty-tray) in the same run:
#  - start to the tray icon embedded, 20 rounds of one start each, seen by
#    lindrel-tray-watch through X events (nothing polls the display meanwhile),
#  - peak memory,
#  - CPU used between two polls.
# Bounded: about a minute; everything stays on 127.0.0.1 and a private X display.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh --bench
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel lindrel-stats lindrel-empty-tray \
  lindrel-tray-watch >/dev/null
build=$PWD/build/default
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

if (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null; then
  echo "a service already answers at 127.0.0.1:27950; stop it first" >&2
  exit 1
fi
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh
start_desktop "$work"
"$build/stats-service/lindrel-stats" --demo >/dev/null & pids+=($!)
sleep 2

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

mkdir "$work/app"
cp "$build/src/app/lindrel" "$work/app/"
echo "== start to tray icon embedded, 20 rounds, monitor and empty tray program in turn"
for run in $(seq 20); do
  monitor_ms=$(cd "$work/app" && "$build/bench/lindrel-tray-watch" 20000 ./lindrel 2>/dev/null)
  empty_ms=$("$build/bench/lindrel-tray-watch" 20000 "$build/bench/lindrel-empty-tray" 2>/dev/null)
  echo "$monitor_ms $empty_ms"
  sleep 0.2 # the tray settles between starts
done > "$work/starts"
monitor_median=$(awk '{print $1}' "$work/starts" | median)
empty_median=$(awk '{print $2}' "$work/starts" | median)
echo "monitor: median $monitor_median ms (each: $(awk '{print $1}' "$work/starts" | tr '\n' ' '))"
echo "empty tray program: median $empty_median ms (each: $(awk '{print $2}' "$work/starts" | tr '\n' ' '))"
echo "ratio of the medians: $(echo "scale=2; $monitor_median / $empty_median" | bc)" \
  "(target at most 1.5); median of the rounds' ratios:" \
  "$(awk '{printf "%.3f\n", $1 / $2}' "$work/starts" | median)"

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
monitor_kib=$(awk '/VmHWM/ {print $2}' /proc/$monitor/status)
empty_kib=$(awk '/VmHWM/ {print $2}' /proc/$empty/status)
echo "peak memory, monitor: $monitor_kib kB; empty Qt tray program: $empty_kib kB;" \
  "difference $(echo "scale=1; ($monitor_kib - $empty_kib) / 1024" | bc) MiB (target at most 8)"
