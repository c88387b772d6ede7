#!/usr/bin/env bash
# Packs the build with CPack, unpacks the archive into a temporary folder and runs both
# programs from there:  package.sh BUILD_FOLDER
set -euo pipefail
build=$1
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
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
cmp -s "$work/home/.local/share/applications/lindrel.desktop" \
  "$work/home/.config/autostart/lindrel.desktop" || fail "no autostart entry"
# Switched off by the user, it stays off when the script runs again.
echo "Hidden=true" >> "$work/home/.config/autostart/lindrel.desktop"
HOME="$work/home" XDG_DATA_HOME="" XDG_CONFIG_HOME="" "$app/install-user.sh" >/dev/null
grep -qx "Hidden=true" "$work/home/.config/autostart/lindrel.desktop" || fail "autostart came back"

# Installed for all users: the folder is read-only for the user who runs the monitor. Its
# files go to that user's data folder, and the settings already in the program's folder
# come along. As root, the run is as the user nobody, for whom the folder really is
# read-only.
kill "${pids[-1]}" 2>/dev/null || true
wait "${pids[-1]}" 2>/dev/null || true
shared="$work/shared"
cp -r "$app" "$shared"
user_home="$work/user-home"
mkdir "$user_home"
chmod -R a-w "$shared"
chmod 755 "$work"
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown 65534:65534 "$user_home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
data="$user_home/.local/share/lindrel"
HOME="$user_home" XDG_DATA_HOME="" QT_QPA_PLATFORM=offscreen "${as_user[@]}" "$shared/lindrel" \
  >"$work/shared.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -qs "] APPLICATION STARTED" "$data/lindrellog.log" && break; sleep 0.1; done
grep -qs "] APPLICATION STARTED" "$data/lindrellog.log" || fail "no log in the user's data folder"
[ "$(stat -c %a "$data")" = 700 ] || fail "the data folder is not the user's alone"
for file in lindrel.dat global.dat; do
  cmp -s "$shared/$file" "$data/$file" || fail "$file did not come along to the data folder"
done
[ "$(find "$shared" -newer "$work/shared.log" | wc -l)" = 0 ] || fail "wrote into the program's folder"
echo "1 passed, 0 failed"
