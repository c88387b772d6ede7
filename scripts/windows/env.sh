# Sourced by the Windows scripts: where the caches are, and wine's environment for running
# what MinGW builds (its prefix in the cache, the MinGW runtime DLLs on its path).
# A service manager may start a run without HOME; wine and the cache need it.
HOME=${HOME:-$(getent passwd "$(id -un)" | cut -d: -f6)}
export HOME
lindrel_cache=${LINDREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lindrel}
lindrel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
lindrel_wine=/usr/lib/wine/wine64
lindrel_mingw_runtime=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)

export WINEPREFIX=${WINEPREFIX:-$lindrel_cache/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no .NET or Gecko installers on first start
wine_path=
for folder in "${lindrel_mingw_runtime[@]}"; do
  wine_path+="${wine_path:+;}Z:${folder//\//\\}"
done
export WINEPATH=$wine_path

# Makes the wine prefix once; later runs find it.
lindrel_wine_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$lindrel_wine" wineboot --init >/dev/null 2>&1
    wineserver -w 2>/dev/null || true
  fi
}

# GoogleTest built for Windows from Debian's own source (package googletest), once.
lindrel_gtest() {
  local version prefix work
  version=$(dpkg-query -W -f='${Version}' googletest | sed 's/[-+].*//')
  prefix=$lindrel_cache/googletest-$version-mingw64
  if [ ! -f "$prefix/.complete" ]; then
    work=$(mktemp -d)
    cmake -S /usr/src/googletest -B "$work" -G Ninja -Wno-dev \
      -DCMAKE_TOOLCHAIN_FILE="$lindrel_root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
      -Dgtest_force_shared_crt=ON >/dev/null
    cmake --build "$work" >/dev/null
    cmake --install "$work" >/dev/null
    rm -rf "$work"
    touch "$prefix/.complete"
  fi
  echo "$prefix"
}
