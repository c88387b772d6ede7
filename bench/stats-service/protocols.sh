#!/usr/bin/env bash
# The service's refresh across the five query protocols, on loopback, bounded in time:
#  1. 1,000 demo game servers, 200 of each protocol (q3, a2s, teeworlds, cube2, openttd),
#     refreshed every second: the refresh's duration, median and worst of 15;
#  2. the 800 of them that quakestat can read (it has no OpenTTD TCP query), refreshed by
#     the service and read by `quakestat -maxsim 500`, alternately, 10 times each;
#  3. 10,000 servers, 2,000 of each protocol: the service's peak memory (VmHWM).
# Usage: protocols.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh --bench
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel-stats lindrel-demo-servers >/dev/null
bin=build/default/stats-service
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
protocols=(q3 a2s teeworlds cube2 openttd)
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
stats() { sort -n | awk '{v[NR]=$1} END {printf "median %.1f ms, worst %.1f ms over %d", v[int((NR+1)/2)], v[NR], NR}'; }

# A configuration for servers first..first+count-1 (server i speaks protocols[i % 5]),
# skipping OpenTTD when $3 is "no-openttd", or all but protocol N when it is "only-N".
config() {
  local first=$1 count=$2 skip=${3:-} http=$4
  echo "[service]"
  echo "listen = \"127.0.0.1:$http\""
  echo "refresh_ms = 1000"
  local t
  for t in 0 1 2 3 4; do
    echo "[[game_types]]"; echo "uid = $((60 + t))"; echo "name = \"${protocols[$t]}\""
    echo "protocol = \"${protocols[$t]}\""
  done
  local written=0
  for i in $(seq 0 $((count - 1))); do
    local p=$((i % 5))
    if [ "$skip" = no-openttd ] && [ "$p" = 4 ]; then continue; fi
    if [ "${skip#only-}" != "$skip" ] && [ "$p" != "${skip#only-}" ]; then continue; fi
    if [ "$written" -lt 5 ]; then echo "[[directory]]"; else echo "[[servers]]"; fi
    written=$((written + 1))
    echo "id = $((i + 1))"; echo "address = \"127.0.0.1\""; echo "game_type = $((60 + p))"
    echo "port = $((first + i))"
    # Each demo server answers on its own port, where Cube 2's would be the game port + 1.
    if [ "$p" = 3 ]; then echo "query_port = $((first + i))"; fi
  done
}

run_service() { # config-file log-file; the process id in $service
  "$bin/lindrel-stats" --config "$1" --verbose > "$2" &
  service=$!
  pids+=("$service")
}

wait_refreshes() { # log-file count
  for _ in $(seq 600); do
    [ "$(grep -c refresh: "$1" || true)" -ge "$2" ] && return 0
    sleep 0.1
  done
  echo "no $2 refreshes in 60 s" >&2; return 1
}

# Below the ephemeral ports (32768 on), which the service's own sockets take.
first=20000
"$bin/lindrel-demo-servers" --count 1000 --port "$first" --players 8 \
  --protocols q3,a2s,teeworlds,cube2,openttd > "$work/demo.log" 2>&1 &
pids+=($!)
sleep 2
kill -0 "${pids[0]}" || { cat "$work/demo.log"; exit 1; }

echo "== 1,000 servers, 200 of each protocol, refreshed every second"
config "$first" 1000 "" "$(free_port)" > "$work/1000.toml"
run_service "$work/1000.toml" "$work/1000.log"
wait_refreshes "$work/1000.log" 16
kill "$service"
tail -1 "$work/1000.log"
tail -15 "$work/1000.log" | awk '{print $6}' | stats; echo " refreshes"

echo "== the 800 that quakestat reads: the service's refresh against quakestat -maxsim 500"
config "$first" 1000 no-openttd "$(free_port)" > "$work/800.toml"
for i in $(seq 0 999); do
  case $((i % 5)) in
    0) echo "Q3S 127.0.0.1:$((first + i))" ;;
    1) echo "A2S 127.0.0.1:$((first + i))" ;;
    2) echo "TEES 127.0.0.1:$((first + i))" ;;
    3) echo "CUBE2 127.0.0.1:$((first + i - 1))" ;;
  esac
done > "$work/qstat.txt"
: > "$work/ours.ms"; : > "$work/qstat.ms"; : > "$work/tuned.ms"
# quakestat with its defaults (a packet every 5 ms, 0.5 s between a server's requests),
# and tuned to its fastest (1 ms, 0.1 s). A Cube 2 line names the game port, the port
# below its server's, which is the Teeworlds server's: hence -allowserverdups.
qstat_ms() { # output-file options...
  local out=$1 start end
  shift
  start=$(date +%s%N)
  quakestat -f "$work/qstat.txt" -nh -P -maxsim 500 -allowserverdups "$@" > "$out" 2>/dev/null
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 ))" | awk '{print $1 / 1000}'
}
for round in $(seq 10); do
  run_service "$work/800.toml" "$work/800.log"
  wait_refreshes "$work/800.log" 2
  kill "$service"; wait "$service" 2>/dev/null || true
  # The second refresh: the first one waits for the names' first lookup.
  grep refresh: "$work/800.log" | sed -n 2p | awk '{print $6}' >> "$work/ours.ms"
  qstat_ms "$work/qstat.out" >> "$work/qstat.ms"
  qstat_ms "$work/tuned.out" -sendinterval 1 -interval 0.1 >> "$work/tuned.ms"
done
answered() { grep -c -E '^([A-Z0-9]+ +)?127[^ ]* +[0-9]+/[0-9]+ ' "$1" || true; }
echo "service: $(stats < "$work/ours.ms"); last: $(grep refresh: "$work/800.log" | sed -n 2p)"
echo "quakestat -maxsim 500: $(stats < "$work/qstat.ms"); $(answered "$work/qstat.out") of 800 read in the last run"
echo "quakestat -maxsim 500 -sendinterval 1 -interval 0.1: $(stats < "$work/tuned.ms"); $(answered "$work/tuned.out") of 800 read in the last run"
for peer in qstat tuned; do
  paste "$work/ours.ms" "$work/$peer.ms" | awk '{print $1 / $2}' | sort -n |
    awk -v peer="$peer" '{v[NR]=$1} END {printf "ratio service / %s: median %.4f\n", peer, v[int((NR+1)/2)]}'
done

echo "== each UDP protocol alone: 200 servers, the service's refresh and quakestat, 5 runs each"
types=(Q3S A2S TEES CUBE2)
for p in 0 1 2 3; do
  config "$first" 1000 "only-$p" "$(free_port)" > "$work/one.toml"
  grep "^${types[$p]} " "$work/qstat.txt" > "$work/qstat-one.txt"
  : > "$work/ours-one.ms"; : > "$work/qstat-one.ms"
  for round in $(seq 5); do
    run_service "$work/one.toml" "$work/one.log"
    wait_refreshes "$work/one.log" 2
    kill "$service"; wait "$service" 2>/dev/null || true
    grep refresh: "$work/one.log" | sed -n 2p | awk '{print $6}' >> "$work/ours-one.ms"
    start=$(date +%s%N)
    quakestat -f "$work/qstat-one.txt" -nh -P -maxsim 500 -allowserverdups > "$work/one.out" 2>/dev/null
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 ))" | awk '{print $1 / 1000}' >> "$work/qstat-one.ms"
  done
  echo "${protocols[$p]}: service $(stats < "$work/ours-one.ms"); quakestat $(stats < "$work/qstat-one.ms"), $(answered "$work/one.out") of 200 read"
done

echo "== 10,000 servers, 2,000 of each protocol: peak memory"
kill "${pids[0]}"
"$bin/lindrel-demo-servers" --count 10000 --port 21000 --players 8 \
  --protocols q3,a2s,teeworlds,cube2,openttd > "$work/demo10k.log" 2>&1 &
pids+=($!)
sleep 3
kill -0 "${pids[-1]}" || { cat "$work/demo10k.log"; exit 1; }
config 21000 10000 "" "$(free_port)" > "$work/10k.toml"
run_service "$work/10k.toml" "$work/10k.log"
wait_refreshes "$work/10k.log" 6
tail -1 "$work/10k.log"
echo "peak memory: $(grep VmHWM /proc/"$service"/status)"
