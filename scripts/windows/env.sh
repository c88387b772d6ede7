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
    # Its licence goes out with the program it is built into (scripts/windows/build.sh).
    install -D -m 644 "$work/LICENSE" "$prefix/share/licenses/libsodium/LICENSE"
    rm -rf "$work"
    touch "$prefix/.complete"
  fi
  echo "$prefix"
}

# A Debian source package into folder DEST, through a private apt configuration whose
# deb-src entries are the system's own deb entries (the same mirror, suites and
# components), so that the system's lists stay as they are: lindrel_debian_source
# PACKAGE VERSION DEST.
lindrel_debian_source() {
  local package=$1 version=$2 dest=$3 apt_dir options
  apt_dir=$(mktemp -d)
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/sources.list.d"
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] && sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
  else
    : >"$apt_dir/sources.list"
  fi
  options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
           -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::Archives=$apt_dir/archives"
           -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=")
  # A third-party source without source packages only warns; the package must come.
  apt-get "${options[@]}" update -qq || echo "env.sh: some deb-src lists could not be fetched" >&2
  rm -rf "$dest.fetch" && mkdir -p "$dest.fetch"
  if ! (cd "$dest.fetch" && apt-get "${options[@]}" source -qq --only-source "$package=$version" >/dev/null); then
    echo "env.sh: the source of $package $version could not be fetched from the system's apt sources" >&2
    rm -rf "$apt_dir" "$dest.fetch"
    return 1
  fi
  rm -rf "$dest"
  mv "$(find "$dest.fetch" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$dest"
  rm -rf "$apt_dir" "$dest.fetch"
}

# libsodium built for Windows (static) from Debian's own source of the version the Linux
# build uses, once; prints its prefix, which CMAKE_FIND_ROOT_PATH then names.
lindrel_sodium() {
  local full version prefix work
  full=$(dpkg-query -W -f='${Version}' libsodium-dev)
  version=$(echo "$full" | sed 's/[-+].*//')
  prefix=$lindrel_cache/libsodium-$version-mingw64
  if [ ! -f "$prefix/.complete" ] || [ ! -f "$prefix/share/licenses/libsodium/LICENSE" ]; then
    work=$lindrel_cache/libsodium-$version-work
    lindrel_debian_source libsodium "$full" "$work" >&2
    # Debian's source is upstream's git tree: its configure script is made here.
    (cd "$work" && autoreconf -fi >"$work.configure.log" 2>&1 &&
     ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" --disable-shared \
       --enable-static >>"$work.configure.log" 2>&1 &&
     make -j"$(nproc)" >"$work.build.log" 2>&1 && make install >"$work.install.log" 2>&1) || {
      echo "env.sh: building libsodium for Windows failed; the end of its log:" >&2
      tail -n 20 "$(ls -t "$work".*.log | head -n 1)" >&2
      return 1
    }
    # Its licence goes out with the program it is built into (scripts/windows/build.sh).
    install -D -m 644 "$work/LICENSE" "$prefix/share/licenses/libsodium/LICENSE"
    rm -rf "$work"
    touch "$prefix/.complete"
  fi
  echo "$prefix"
}
