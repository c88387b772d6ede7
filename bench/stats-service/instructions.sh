#!/usr/bin/env bash
# Instructions the service spends on one status poll, counted by callgrind (repeatable,
# whatever else the machine does), for this build and, given BEFORE_DIR, an earlier one:
#   instructions.sh [BEFORE_DIR]
# Each build's service watches five of its own demo game servers and answers 4,000 polls
# on one kept-alive connection; a run with no polls is taken off. Loopback only.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel-stats lindrel-demo-servers >/dev/null
polls=4000

count() {
  local bin=$1 n=$2 port cfg out demo svc
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  cfg=$(mktemp) out=$(mktemp)
  "$bin/lindrel-demo-servers" --count 5 --port 33100 > /dev/null &
  demo=$!
  {
    echo "[service]"; echo "listen = \"127.0.0.1:$port\""; echo "refresh_ms = 3600000"
    for i in 0 1 2 3 4; do
      echo "[[directory]]"; echo "id = $((i + 1))"; echo 'address = "127.0.0.1"'; echo "port = $((33100 + i))"
    done
  } > "$cfg"
  valgrind --tool=callgrind --callgrind-out-file="$out" "$bin/lindrel-stats" --config "$cfg" >/dev/null 2>&1 &
  svc=$!
  sleep 4
  python3 - "$port" "$n" <<'PY'
import socket, sys
port, n = int(sys.argv[1]), int(sys.argv[2])
s = socket.create_connection(("127.0.0.1", port), timeout=30)
request = b"GET /?d=1,2,3,4,5&t=0,0,0,0,0&s=grism HTTP/1.1\r\nHost: x\r\n\r\n"
for _ in range(n):
    s.sendall(request)
    data = b""
    while b"\r\n\r\n" not in data:
        data += s.recv(65536)
    head, body = data.split(b"\r\n\r\n", 1)
    length = int(next(l for l in head.split(b"\r\n") if l.lower().startswith(b"content-length")).split(b":")[1])
    while len(body) < length:
        body += s.recv(65536)
    assert b"\n5|" in body or body.startswith(b"5|"), body
s.close()
PY
  kill -INT "$svc"; wait "$svc" 2>/dev/null || true
  kill "$demo"; wait "$demo" 2>/dev/null || true
  awk '/^(summary|totals):/ {print $2; exit}' "$out"
  rm -f "$cfg" "$out"
}

per_poll() {
  local idle busy
  idle=$(count "$1" 0)
  busy=$(count "$1" "$polls")
  echo "$1: $(( (busy - idle) / polls )) instructions a poll"
}

per_poll build/default/stats-service
if [ -n "${1:-}" ]; then
  per_poll "$1"
fi
