#!/usr/bin/env bash
# Builds the monitor's libraries below the windows (base, platform, core, service, launcher,
# update) and their tests for 64-bit Windows with MinGW-w64, and runs the tests under wine
# against the same real peers as on Linux. Installs what it needs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/windows/env.sh
source "$here/env.sh"
cd "$lindrel_root"

"$here/install-deps.sh"
source "$here/env.sh" # again: on a new machine MinGW's runtime folder exists only now
echo "== Windows: GoogleTest and libsodium for MinGW, the wine prefix"
gtest=$(lindrel_gtest)
sodium=$(lindrel_sodium)
lindrel_wine_ready

build=build/windows
cmake -S . -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$lindrel_root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_FIND_ROOT_PATH="$gtest;$sodium" -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$lindrel_wine" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINDREL_WERROR=ON >/dev/null
echo "== Windows: build"
cmake --build "$build"

# The Linux peers the Windows tests ask for (pyftpdlib), started through one launcher.
launcher_output=$(mktemp)
python3 tests/support/peer_launcher.py "$WINEPREFIX" >"$launcher_output" &
launcher=$!
trap 'kill $launcher 2>/dev/null || true; rm -f "$launcher_output"' EXIT
for _ in $(seq 100); do
  [ -s "$launcher_output" ] && break
  sleep 0.1
done
LINDREL_TEST_PEERS=$(head -n 1 "$launcher_output")
export LINDREL_TEST_PEERS

echo "== Windows: tests under wine"
ctest --test-dir "$build" --output-on-failure --timeout 120 --no-tests=error
