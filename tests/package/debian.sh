#!/usr/bin/env bash
# The Debian packages, checked and installed into this machine:
#   debian.sh BUILD_FOLDER LINDREL_DEMO_SERVERS
# - lintian shows no error (warnings are printed), appstreamcli validates the metainfo,
#   and systemd-analyze rates the service's unit at an exposure of 2.0 or lower;
# - both install; the monitor runs as an ordinary user against the packaged service,
#   started with the unit's command line, and keeps that user's files in the user's data
#   folder;
# - dpkg -r, then dpkg -P, leave nothing behind but what the user wrote.
# Needs root (it installs); exits 77 (skipped) without. The service listens on
# 127.0.0.1:27950, the address the monitor asks, so this runs alone.
set -euo pipefail
build=$1 demo=$2
if [ "$(id -u)" != 0 ]; then
  echo "skipped: installing packages needs root"
  exit 77
fi
work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  dpkg -P lindrel lindrel-stats >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${KEEP:-}" ] && trap "echo kept $work" EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null; then
  fail "something already answers at 127.0.0.1:27950"
fi
if dpkg -s lindrel >/dev/null 2>&1 || dpkg -s lindrel-stats >/dev/null 2>&1; then
  fail "lindrel is installed on this machine already; purge it first"
fi

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
monitor_deb=$(ls "$work"/out/lindrel_*.deb)
service_deb=$(ls "$work"/out/lindrel-stats_*.deb)

echo "-- lintian"
lintian --display-level ">=warning" "$monitor_deb" "$service_deb" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q "^E: " "$work/lintian.txt"; then fail "lintian reports errors"; fi

echo "-- appstreamcli, systemd-analyze"
dpkg-deb -x "$monitor_deb" "$work/monitor-files"
dpkg-deb -x "$service_deb" "$work/service-files"
appstreamcli validate --no-net "$work"/monitor-files/usr/share/metainfo/*.metainfo.xml
rating=$(systemd-analyze security --offline=true \
  "$work/service-files/lib/systemd/system/lindrel-stats.service" 2>&1 |
  sed -n 's/.*Overall exposure level for lindrel-stats.service: \([0-9.]*\).*/\1/p')
echo "exposure level $rating"
awk -v r="$rating" 'BEGIN { exit !(r != "" && r <= 2.0) }' || fail "exposure $rating is above 2.0"

echo "-- install"
snapshot() {
  # What packages may touch; dpkg's own records and the caches its triggers keep are not
  # the packages' files.
  find /etc /usr /lib /var/lib -xdev 2>/dev/null |
    grep -vE '^/var/lib/(dpkg|apt|systemd/deb-systemd-helper-masked)|mimeinfo\.cache$|icon-theme\.cache$' |
    sort
}
snapshot >"$work/before"
dpkg -i "$monitor_deb" "$service_deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }

# The first server of the packaged configuration, 127.0.0.1:27960, as a demo game server;
# then the service with the unit's command line.
"$demo" --count 1 --address 127.0.0.1 --port 27960 >"$work/demo.log" 2>&1 &
pids+=($!)
# The state folder, as the unit's StateDirectory= makes it for the service's user.
install -d -o 65534 -g 65534 -m 0700 /var/lib/lindrel-stats
command=$(sed -n 's/^ExecStart=//p' /lib/systemd/system/lindrel-stats.service)
[ "$command" = "/usr/bin/lindrel-stats --config /etc/lindrel-stats.toml" ] || fail "ExecStart: $command"
setpriv --reuid=65534 --regid=65534 --clear-groups -- $command >"$work/service.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null && break; sleep 0.1; done
exec 3<>/dev/tcp/127.0.0.1/27950
printf 'GET /?f=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
grep -q "10,Quake III Arena" <&3 || fail "the packaged service does not answer"
exec 3<&-
# Once it has queried its servers it reports their status: the monitor's first poll then
# gets an answer, not an empty reply.
status() {
  exec 3<>/dev/tcp/127.0.0.1/27950
  printf 'GET /?d=7,4,8,6,9&t=0,0,0,0,0&s= HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
  grep -q "^7|" <&3
}
for _ in $(seq 100); do status && break; sleep 0.1; done
status || fail "the packaged service reports no status"
# Its status page, and the history it keeps in the state folder.
exec 3<>/dev/tcp/127.0.0.1/27950
printf 'GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
grep -q "<h1>Game servers</h1>" <&3 || fail "the packaged service shows no status page"
exec 3<&-
[ -s /var/lib/lindrel-stats/lindrel-stats.history ] || fail "no history file in the state folder"

# The monitor as an ordinary user: its files go to that user's data folder.
home="$work/home"
mkdir "$home"
chown 65534:65534 "$home"
HOME="$home" QT_QPA_PLATFORM=offscreen \
  setpriv --reuid=65534 --regid=65534 --clear-groups -- /usr/bin/lindrel >"$work/lindrel.log" 2>&1 &
pids+=($!)
data="$home/.local/share/lindrel"
for _ in $(seq 100); do [ -e "$data/lindrel.dat" ] && break; sleep 0.1; done
[ -e "$data/lindrel.dat" ] || fail "no settings in the user's data folder"
grep -q "] APPLICATION STARTED" "$data/lindrellog.log" || fail "no start in the user's log"
grep -q "PullStats_BadData" "$data/lindrellog.log" && fail "the monitor got no status from the service"
for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
wait 2>/dev/null || true
pids=()

echo "-- remove and purge"
dpkg -r lindrel lindrel-stats >>"$work/dpkg.log" 2>&1 || fail "dpkg -r"
[ ! -e /usr/bin/lindrel ] && [ ! -e /usr/bin/lindrel-stats ] || fail "programs left after dpkg -r"
[ -e /etc/lindrel-stats.toml ] || fail "dpkg -r took the configuration, which only a purge may"
dpkg -P lindrel lindrel-stats >>"$work/dpkg.log" 2>&1 || fail "dpkg -P"
snapshot >"$work/after"
if ! diff "$work/before" "$work/after" >"$work/left"; then
  cat "$work/left"
  fail "the purge left the files above"
fi
[ -e "$data/lindrellog.log" ] || fail "the user's own files went with the package"
echo "1 passed, 0 failed"
