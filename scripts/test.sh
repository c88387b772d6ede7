#!/usr/bin/env bash
# Builds and runs every test: the format and clang-tidy checks, bounded fuzz runs of the
# parsers, then the suite in the normal build (with a valgrind run of the core) and under
# ASan and UBSan; then the Windows build's tests under wine, and, when the Qt for Windows
# cache is there (scripts/windows/build-qt.sh), the Windows program and its installer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --peers
scripts/format.sh --check
echo "== clang-tidy"
scripts/tidy.sh

echo "== fuzz (bounded runs of every parser's fuzz target)"
fuzz/run.sh 30

for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset" -DLINDREL_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  if [ "$preset" = default ]; then
    echo "== valgrind memcheck of the core"
    valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
      build/default/tests/core/core_tests --gtest_filter='-SettingsSaves.*' >/dev/null
  fi
done

echo "== Windows: the monitor's libraries built with MinGW, their tests under wine"
scripts/windows/test.sh
if scripts/windows/build-qt.sh --check >/dev/null; then
  echo "== Windows: lindrel.exe under wine on an X desktop, the installer"
  scripts/windows/test-gui.sh
else
  echo "== Windows: no Qt for Windows built (scripts/windows/build-qt.sh): the program's test is left out"
fi
