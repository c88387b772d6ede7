#!/usr/bin/env bash
# Builds and runs every test: the format and clang-tidy checks; the normal, ASan/UBSan and
# fuzz builds; then, while the fuzz targets run their bounded time on one core, the suite
# in the normal build (with a valgrind run of the core) and under ASan and UBSan, and the
# Windows build's tests under wine, with, when the Qt for Windows cache is there
# (scripts/windows/build-qt.sh), the Windows program and its installer. The stages that
# compile run one after another on every core; the stages that mostly wait (sockets,
# timers, wine) run beside the fuzzing. Each stage's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

times=()
started=$SECONDS
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  times+=("$(printf '%5d s  %s' $((SECONDS - start)) "$name")")
}

fuzz_log=$(mktemp)
fuzz_pid=
trap '[ -z "$fuzz_pid" ] || kill "$fuzz_pid" 2>/dev/null || true; rm -f "$fuzz_log"' EXIT

stage "packages" scripts/install-deps.sh --peers
stage "format" scripts/format.sh --check
stage "clang-tidy" scripts/tidy.sh
build() {
  cmake --preset "$1" -DLINDREL_WERROR=ON >/dev/null
  cmake --build --preset "$1"
}
stage "build: default" build default
stage "build: asan" build asan
stage "build: fuzz targets" fuzz/run.sh 30 --build-only

echo "== fuzz: every parser's target for 30 s, one after another, beside the suites"
fuzz/run.sh 30 --no-build >"$fuzz_log" 2>&1 &
fuzz_pid=$!

valgrind_core() {
  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    build/default/tests/core/core_tests --gtest_filter='-SettingsSaves.*' >/dev/null
}
stage "suite: default" ctest --preset default
stage "valgrind memcheck of the core" valgrind_core
stage "suite: asan" ctest --preset asan
stage "Windows: the libraries built with MinGW, their tests under wine" scripts/windows/test.sh
if scripts/windows/build-qt.sh --check >/dev/null; then
  stage "Windows: lindrel.exe under wine on an X desktop, the installer" scripts/windows/test-gui.sh
else
  echo "== Windows: no Qt for Windows built (scripts/windows/build-qt.sh): the program's test is left out"
fi

fuzz_wait() {
  local status=0
  wait "$fuzz_pid" || status=$?
  fuzz_pid=
  cat "$fuzz_log"
  return "$status"
}
stage "fuzz: the rest of the runs" fuzz_wait

echo "== stage times (wall)"
printf '%s\n' "${times[@]}"
printf '%5d s  %s\n' $((SECONDS - started)) "the whole test command"
