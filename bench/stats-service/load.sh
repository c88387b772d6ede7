#!/usr/bin/env bash
# Load and scale runs of lindrel-stats on loopback, bounded in time:
#  1. 500 demo game servers: the service's refresh time and peak memory while it refreshes
#     them every 500 ms, and wrk sending status polls ("d=" for five servers) for 10 s;
#  2. quakestat (qstat) querying the same 500 servers.
# With BEFORE_DIR (a folder holding an earlier build's lindrel-stats and
# lindrel-demo-servers), step 1 runs for both builds in turn, twice, so that they are
# compared on the same machine in the same run:  load.sh [BEFORE_DIR]
# With --features, step 1 also runs for this build with its history file while a client
# fetches the status page and /metrics every second: load.sh [--features] [BEFORE_DIR]
# Everything runs on 127.0.0.1 and stops by itself.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh --bench
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel-stats lindrel-demo-servers >/dev/null
current=build/default/stats-service
before=""
features=0
for arg in "$@"; do
  if [ "$arg" = "--features" ]; then features=1; else before=$arg; fi
done
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

# The service runs on the last CPU and everything that loads or watches it on the others,
# so that the load and the fetches do not take the service's CPU from it.
last_cpu=$(( $(nproc) - 1 ))
service_cpu=(taskset -c "$last_cpu")
others=(taskset -c "0-$(( last_cpu > 0 ? last_cpu - 1 : 0 ))")

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
count=500
first=31000
median() { sort -n | awk '{v[NR]=$1} END {printf "median %.1f ms, max %.1f ms over %d runs", v[int((NR+1)/2)], v[NR], NR}'; }

# One build under load: its own demo servers (they answer the way its service queries).
measure() {
  local name=$1 bin=$2 extras=${3:-0} http
  http=$(free_port)
  "${others[@]}" "$bin/lindrel-demo-servers" --count "$count" --port "$first" > "$work/demo.log" &
  local demo=$!
  pids+=($demo)
  {
    echo "[service]"
    echo "listen = \"127.0.0.1:$http\""
    echo "refresh_ms = 500"
    if [ "$extras" = 1 ]; then
      echo "[history]"
      echo "file = \"$work/history\""
    fi
    for i in $(seq 0 $((count - 1))); do
      if [ "$i" -lt 5 ]; then echo "[[directory]]"; else echo "[[servers]]"; fi
      echo "id = $((i + 1))"
      echo "address = \"127.0.0.1\""
      echo "port = $((first + i))"
    done
  } > "$work/500.toml"
  sleep 1
  "${service_cpu[@]}" "$bin/lindrel-stats" --config "$work/500.toml" --verbose > "$work/service.log" &
  local service=$!
  pids+=($service)
  sleep 3
  echo "== $name: refresh of $count servers every 500 ms, wrk status polls for 10 s meanwhile"
  local url="http://127.0.0.1:$http/?d=1,2,3,4,5&t=0,0,0,0,0&s=grism"
  local fetcher=""
  if [ "$extras" = 1 ]; then
    # A person's browser and a Prometheus server, once a second each, for the wrk run.
    "${others[@]}" python3 bench/stats-service/fetch.py "$http" 12 / /metrics &
    fetcher=$!
    sleep 0.3
  fi
  "${others[@]}" wrk -t1 -c8 -d10s --latency "$url" | grep -E 'Requests/sec|50%|90%|99%'
  if [ -n "$fetcher" ]; then
    kill "$fetcher" 2>/dev/null || true
    echo "history rows written: $(curl -s "http://127.0.0.1:$http/metrics" |
      grep '^lindrel_stats_history_rows_written_total' | cut -d' ' -f2)"
    local task
    for task in /proc/$service/task/*; do
      if [ "$(cat "$task/comm")" = history ]; then
        echo "history thread CPU: $(awk '{print ($14 + $15) * 10 " ms"}' "$task/stat")" \
          "of the service's $(awk '{print ($14 + $15) * 10 " ms"}' /proc/$service/stat)"
      fi
    done
  fi
  grep refresh: "$work/service.log" | tail -1
  grep refresh: "$work/service.log" | awk '{print $6}' | median; echo
  echo "peak memory: $(grep VmHWM /proc/$service/status)"
  kill "$service" "$demo"
  wait "$service" "$demo" 2>/dev/null || true
}

for round in 1 2; do
  measure "this build (round $round)" "$current"
  if [ "$features" = 1 ]; then
    measure "this build with its history file, page and metrics fetched (round $round)" \
      "$current" 1
  fi
  if [ -n "$before" ]; then
    measure "before (round $round)" "$before"
  fi
done

"$current/lindrel-demo-servers" --count "$count" --port "$first" > "$work/demo.log" &
pids+=($!)
sleep 1
echo "== quakestat -q3s -P (getstatus, as the service sends) on the same $count servers"
for i in $(seq 0 $((count - 1))); do echo "Q3S 127.0.0.1:$((first + i))"; done > "$work/qstat.txt"
for maxsim in 20 500; do
  for run in $(seq 10); do
    start=$(date +%s%N)
    quakestat -f "$work/qstat.txt" -nh -P -maxsim "$maxsim" > "$work/qstat.out"
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 ))" | awk '{print $1 / 1000}'
  done | median
  echo " (-maxsim $maxsim; $(grep -c '^127' "$work/qstat.out") of $count answered in the last run)"
done
