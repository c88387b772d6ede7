#!/usr/bin/env bash
# Builds and runs every test, in the normal build and under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/format.sh --check

for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" -DLINDREL_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
