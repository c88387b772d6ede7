#!/usr/bin/env bash
# Packs the build with CPack, unpacks the archive into a temporary folder and runs both
# programs from there:  package.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G TGZ -B "$work/out" >/dev/null)
archive=$(ls "$work"/out/lindrel-*.tar.gz)
mkdir "$work/unpacked"
tar -xzf "$archive" -C "$work/unpacked"
app=$(ls -d "$work"/unpacked/lindrel-*)
for file in lindrel lindrel-stats lindrel-stats.example.toml lindrel.png lindrel.desktop install-user.sh; do
  [ -e "$app/$file" ] || fail "$file is missing from the archive"
done

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$app/lindrel-stats" --config "$app/lindrel-stats.example.toml" --listen "127.0.0.1:$port" >"$work/stats.log" &
pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /?f=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
grep -q "10,Quake III Arena" <&3 || fail "the unpacked service does not answer"
exec 3<&-

QT_QPA_PLATFORM=offscreen "$app/lindrel" >"$work/lindrel.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "$app/lindrel.dat" ] && break; sleep 0.1; done
[ -e "$app/lindrel.dat" ] || fail "the monitor wrote no settings next to itself"
grep -q "] APPLICATION STARTED" "$app/lindrellog.log" || fail "the monitor logged no start"

HOME="$work/home" XDG_DATA_HOME="" XDG_CONFIG_HOME="" "$app/install-user.sh" >/dev/null
grep -qx "Exec=\"$app/lindrel\"" "$work/home/.local/share/applications/lindrel.desktop" || fail "desktop entry"
grep -qx "Icon=$app/lindrel.png" "$work/home/.local/share/applications/lindrel.desktop" || fail "desktop icon"
grep -qx "ExecStart=\"$app/lindrel-stats\" --config \"$app/lindrel-stats.toml\"" \
  "$work/home/.config/systemd/user/lindrel-stats.service" || fail "systemd unit"
echo "1 passed, 0 failed"
