#!/usr/bin/env bash
# Cross-builds the Windows monitor, lindrel.exe, with MinGW-w64 and the Qt for Windows that
# build-qt.sh makes (building it first when its cache is missing), and makes under dist/:
#   lindrel-VERSION-windows-x64.zip  the program folder, to unpack and run anywhere;
#   lindrel-VERSION-setup.exe        the installer (per user, NSIS).
# The update key comes from LINDREL_UPDATE_PUBLIC_KEY in the environment (none: a build
# that takes no update).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/windows/env.sh
source "$here/env.sh"
cd "$lindrel_root"

"$here/install-deps.sh"
source "$here/env.sh" # again: on a new machine MinGW's runtime folder exists only now
qt=$("$here/build-qt.sh" | tail -n 1)
sodium=$(lindrel_sodium)
version=$(sed -n 's/^project(lindrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

build=build/windows-release
# -O2, as the tests build: GCC 12 warns of overlaps inside std::string at -O3 that cannot
# happen (its bug 105329).
cmake -S . -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$lindrel_root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_FIND_ROOT_PATH="$qt;$sodium" -DQT_HOST_PATH=/usr \
  -DLINDREL_UPDATE_PUBLIC_KEY="${LINDREL_UPDATE_PUBLIC_KEY:-}" \
  -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DLINDREL_BUILD_TESTS=OFF -DLINDREL_WERROR=ON >/dev/null
cmake --build "$build" --target lindrel

# The program folder: the program, the Qt DLLs and plugins it loads, MinGW's runtime,
# the read-me and every licence of what it ships.
stage=$build/stage/lindrel-$version
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/licenses"
cp "$build/src/app/lindrel.exe" "$stage/"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  found=$(find "${lindrel_mingw_runtime[@]}" -maxdepth 1 -name "$dll" | head -n 1)
  [ -n "$found" ] || { echo "build.sh: MinGW's $dll is missing" >&2; exit 1; }
  cp "$found" "$stage/"
done
# Debug symbols are for the build machine only: stripped, the folder is a third the size.
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded
cp packaging/windows/lindrel.ico "$stage/"
cp LICENSE "$stage/LICENSE.txt"
sed "s/@VERSION@/$version/g" packaging/windows/README.txt.in | sed 's/$/\r/' >"$stage/README.txt"
cp "$qt/share/licenses/qt6/LGPL-3.0-only.txt" "$qt/share/licenses/qt6/GPL-3.0-only.txt" \
  "$stage/licenses/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime-copyright.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64-copyright.txt"
cp "$sodium/share/licenses/libsodium/LICENSE" "$stage/licenses/libsodium-LICENSE.txt"
cp packaging/windows/THIRD-PARTY.txt "$stage/licenses/"
# Every DLL the program and its plugins import is shipped, or is the system's own.
for binary in "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll; do
  x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\tDLL Name: //p'
done | sort -u | while read -r dll; do
  if [ ! -e "$stage/$dll" ] && ! grep -v "^#" packaging/windows/system-dlls.txt | grep -qix "$dll"; then
    echo "build.sh: $dll is neither shipped nor a system DLL" >&2
    exit 1
  fi
done

mkdir -p dist
zip_file=$lindrel_root/dist/lindrel-$version-windows-x64.zip
rm -f "$zip_file"
(cd "$build/stage" && zip -qr -X "$zip_file" "lindrel-$version")
makensis -V2 -DVERSION="$version" -DSTAGE="$lindrel_root/$stage" \
  -DOUTFILE="$lindrel_root/dist/lindrel-$version-setup.exe" packaging/windows/lindrel.nsi
echo "dist/lindrel-$version-windows-x64.zip"
echo "dist/lindrel-$version-setup.exe"
