#!/usr/bin/env bash
# Builds Qt 6 base (Core, Gui, Widgets, the windows platform plugin and the windowsvista
# style) for 64-bit Windows from Debian's own qt6-base source, with Debian's MinGW-w64 and
# the host's Qt tools, into a cache outside the checkout. Once: a second run finds the
# finished cache and does nothing. Prints the cache's prefix on its last line. With
# --check, builds nothing: succeeds (printing the prefix) only when the cache is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/windows/env.sh
source "$here/env.sh"
root=$lindrel_root
cache=$lindrel_cache
# What is needed comes first (a check builds and installs nothing): the host's Qt names
# the version to build.
[ "${1:-}" = --check ] || "$here/install-deps.sh"
full_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$full_version" ]; then
  echo "build-qt.sh: qt6-base-dev is not installed (scripts/windows/install-deps.sh installs it)" >&2
  exit 1
fi
version=${full_version%%[-+]*}
prefix=$cache/qt6-$version-mingw64
work=$cache/qt6-$version-work
licences=$prefix/share/licenses/qt6

# Qt's licence texts, which the Windows release ships, go into the prefix from Debian's
# source (through the system's own apt sources: env.sh).
install_licences() {
  [ -d "$work/source" ] || lindrel_debian_source qt6-base "$full_version" "$work/source"
  install -D -m 644 -t "$licences" "$work/source/LICENSES/LGPL-3.0-only.txt" \
    "$work/source/LICENSES/GPL-3.0-only.txt"
}
if [ -f "$prefix/.complete" ]; then
  # A cache made before the licences went into it gets them now.
  [ "${1:-}" = --check ] || [ -f "$licences/LGPL-3.0-only.txt" ] || install_licences
  echo "$prefix"
  exit 0
fi
if [ "${1:-}" = --check ]; then
  echo "build-qt.sh: no Qt for Windows in $prefix" >&2
  exit 1
fi
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

# Runs a step with its output in a log; when it fails, says which and shows the log's end.
step() {
  local log=$1; shift
  if ! "$@" >"$log" 2>&1; then
    echo "build-qt.sh: this step failed: $*" >&2
    echo "build-qt.sh: the end of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
  fi
}

mkdir -p "$work"
cd "$work"

# Debian's source, through the system's own apt sources (env.sh).
if [ ! -d source ]; then
  lindrel_debian_source qt6-base "$full_version" "$work/source"
fi

started=$(date +%s)
# Only what the monitor uses; third-party libraries from Qt's own copies, since there are
# no Windows builds of Debian's. Debian's source leaves out wintab.h (tablet events), and
# without OpenGL the dynamic GL loader must go too.
step "$work/configure.log" cmake -S source -B build -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DBUILD_SHARED_LIBS=ON \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
  -DFEATURE_testlib=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF
step "$work/build.log" nice -n 10 cmake --build build --parallel "$(nproc)"
step "$work/install.log" cmake --install build
install_licences
finished=$(date +%s)
echo "$((finished - started))" >"$prefix/.build-seconds"
touch "$prefix/.complete"
rm -rf build
echo "Qt for Windows built in $(((finished - started) / 60)) min into $prefix" >&2
echo "$prefix"
