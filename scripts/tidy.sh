#!/usr/bin/env bash
# clang-tidy with the checked-in .clang-tidy over every source of the default build (and the
# fuzz targets, from the fuzz build); any finding fails:  scripts/tidy.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cmake --preset default >/dev/null
cmake --preset fuzz >/dev/null
# clang does not see Boost 1.74's C++20 coroutine support on its own; g++ does.
coroutines=(-extra-arg=-DBOOST_ASIO_HAS_CO_AWAIT=1 -extra-arg=-DBOOST_ASIO_HAS_STD_COROUTINE=1)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy-14 -quiet -p build/default "${coroutines[@]}" \
  "$root/(src|stats-service|tests|bench|tools)/.*\.cpp$" >"$log" 2>&1 || status=1
run-clang-tidy-14 -quiet -p build/fuzz "$root/fuzz/.*\.cpp$" >>"$log" 2>&1 || status=1
if [ "$status" != 0 ] || grep -qE '(warning|error): ' "$log"; then
  grep -E -A3 '(warning|error): ' "$log" | head -200 || true
  # clang-tidy itself can fail (a crash of its parser): show where.
  grep -E -A6 'Stack dump:' "$log" | head -40 || true
  echo "clang-tidy: findings or a failure above"
  exit 1
fi
echo "clang-tidy: clean"
