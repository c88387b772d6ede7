#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Lindrel need.
# Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang-format clang-tidy-14 clang libclang-rt-14-dev
  # libraries
  libcurl4-gnutls-dev libboost-dev libtomlplusplus-dev qt6-base-dev fonts-liberation
  libxcb1-dev libxcb-shape0-dev libssh2-1-dev libsqlite3-dev libssl-dev libsodium-dev ca-certificates
  # tests and benchmarks
  libgtest-dev libbenchmark-dev valgrind
  # real peers the tests start: an OpenArena (ioquake3) game server, an X desktop
  # with a window manager and a tray, and the tools that drive and photograph it
  openarena-server xvfb openbox trayer xdotool wmctrl x11-utils imagemagick perl python3
  python3-pyftpdlib
  # the status window's shape and pixels read from the X server at every scale
  python3-xlib python3-pil
  # minisign, which signs the updates the update tests serve
  minisign
  # the other game families the service queries, and qstat, the reader it must agree with
  cube2-server ddnet-server openttd openttd-opengfx qstat teeworlds-server mumble-server
  # the Debian packages: built by CPack (dpkg-shlibdeps), checked by lintian,
  # appstreamcli, desktop-file-validate and systemd-analyze
  dpkg-dev lintian appstream desktop-file-utils systemd
  # the service's status page, metrics and webhooks: an HTML5 checker, a real browser,
  # Prometheus's own metrics checker, and openssl for a loopback HTTPS receiver's certificate
  tidy chromium prometheus openssl
)

peers=0
for option in "$@"; do
  case $option in
    # Tools for the load runs under bench/.
    --bench) packages+=(wrk qstat bc python3) ;;
    # The Windows build: the MinGW-w64 cross compiler, Debian's qt6-base source (dpkg-dev
    # unpacks it) and GoogleTest's source, built for Windows; wine to run what they make,
    # NSIS for the installer, zip for the archive; autoconf, automake and libtool make
    # libsodium's configure script from Debian's source of it.
    --windows) packages+=(g++-mingw-w64-x86-64-posix dpkg-dev googletest wine64 wine nsis zip
                          unzip file autoconf automake libtool make) ;;
    # The test peers from npm (tests/peers: Minecraft servers and GameDig), run by Node.js.
    # npm comes with Node.js where Node.js is not Debian's own.
    --peers) packages+=(nodejs)
             command -v npm >/dev/null || packages+=(npm)
             peers=1 ;;
    # The game servers whose data is too large for every CI run (scripts/test-games.sh).
    --games) packages+=(redeclipse-server nexuiz-server) ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The npm packages exactly as the lock file pins them, again only when the lock changed.
# Their install scripts are not run: the peers need none (Bedrock's RakNet is the
# JavaScript one), and one would build a native module.
peers_dir="$(dirname "$0")/../tests/peers"
if [ "$peers" = 1 ] && ! cmp -s "$peers_dir/package-lock.json" \
    "$peers_dir/node_modules/.lindrel-installed-lock.json"; then
  echo "Installing the test peers from npm (tests/peers/package-lock.json)"
  npm ci --prefix "$peers_dir" --ignore-scripts --no-audit --no-fund --loglevel=error
  cp "$peers_dir/package-lock.json" "$peers_dir/node_modules/.lindrel-installed-lock.json"
fi
