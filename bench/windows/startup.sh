#!/usr/bin/env bash
# For information: start to tray icon embedded of the Windows monitor (the zip's
# lindrel.exe under wine) beside the Linux build, in turn, 10 rounds each, on an X desktop
# (Xvfb, openbox, trayer) against the bundled service in demo mode; and the sizes of the
# Windows release. The wine server stays up between rounds (warm starts), as a desktop's
# does. Bounded: about two minutes; everything stays on 127.0.0.1 and a private display.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/windows/env.sh
scripts/install-deps.sh --bench
scripts/windows/build.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel lindrel-stats lindrel-tray-watch >/dev/null
lindrel_wine_ready
build=$PWD/build/default
version=$(sed -n 's/^project(lindrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
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
mkdir "$work/linux"
cp "$build/src/app/lindrel" "$work/linux/"
unzip -q "dist/lindrel-$version-windows-x64.zip" -d "$work"
windows="$work/lindrel-$version"
wineserver -p 2>/dev/null || true # the wine server stays up between rounds
(cd "$windows" && "$build/bench/lindrel-tray-watch" 60000 "$lindrel_wine" lindrel.exe) >/dev/null 2>&1 ||
  true # the first start under a new prefix sets wine up; not counted
echo "== start to tray icon embedded, 10 rounds, Linux build and lindrel.exe under wine in turn"
for _ in $(seq 10); do
  linux_ms=$(cd "$work/linux" && "$build/bench/lindrel-tray-watch" 20000 ./lindrel 2>/dev/null)
  wine_ms=$(cd "$windows" && "$build/bench/lindrel-tray-watch" 60000 "$lindrel_wine" lindrel.exe 2>/dev/null)
  echo "$linux_ms $wine_ms"
  sleep 0.5 # the tray settles between starts
done >"$work/starts"
linux_median=$(awk '{print $1}' "$work/starts" | median)
wine_median=$(awk '{print $2}' "$work/starts" | median)
echo "Linux build: median $linux_median ms (each: $(awk '{print $1}' "$work/starts" | tr '\n' ' '))"
echo "lindrel.exe under wine: median $wine_median ms (each: $(awk '{print $2}' "$work/starts" | tr '\n' ' '))"
echo "ratio of the medians: $(echo "scale=2; $wine_median / $linux_median" | bc)"

echo "== the Windows release"
for file in "dist/lindrel-$version-windows-x64.zip" "dist/lindrel-$version-setup.exe"; do
  echo "$file: $(du -k "$file" | cut -f1) KiB"
done
echo "unpacked: $(du -sk "$windows" | cut -f1) KiB; lindrel.exe $(du -k "$windows/lindrel.exe" | cut -f1) KiB"
qt=$lindrel_cache/qt6-$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[-+].*//')-mingw64
echo "Qt for Windows: built in $(cat "$qt/.build-seconds") s, $(du -sk "$qt" | cut -f1) KiB installed"
