#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs each for a bounded time,
# starting from the seeds in fuzz/corpus:  fuzz/run.sh [SECONDS-EACH] [--build-only|--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
step=${2:-}
# A time that is not a number would let libFuzzer run without end.
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]] || ! [[ "$step" =~ ^(|--build-only|--no-build)$ ]]; then
  echo "usage: fuzz/run.sh [SECONDS-EACH] [--build-only|--no-build]" >&2
  exit 2
fi
if [ "$step" != --no-build ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi
[ "$step" != --build-only ] || exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  mkdir -p "$work/$target"
  cp "$seeds"/* "$work/$target/"
  if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$work/$target-" "$work/$target" >"$work/$target.log" 2>&1; then
    echo "$target: $(grep -oE 'Done [0-9]+ runs' "$work/$target.log" | tail -1) in ${seconds} s, no finding"
  else
    echo "$target: FINDING"
    tail -40 "$work/$target.log"
    failed=$((failed + 1))
  fi
done
[ "$failed" = 0 ]
