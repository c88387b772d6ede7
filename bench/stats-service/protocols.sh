#!/usr/bin/env bash
# The service's refresh across the eight query protocols, on loopback, bounded in time:
#  1. 1,000 demo game servers, 125 of each protocol (q3, a2s, teeworlds, cube2, openttd,
#     mumble, minecraft, bedrock), refreshed every second: the refresh's duration, median
#     and worst of 15;
#  2. the 625 of them that quakestat reads (q3, a2s, teeworlds, cube2, mumble), refreshed
#     by the service and read by `quakestat -maxsim 500`, alternately, 10 times each;
#  3. each protocol alone, against quakestat, or GameDig for Minecraft's two;
#  4. 10,000 servers, 1,250 of each protocol, every answer held 150 ms and then 400 ms as
#     across the internet, so that every query of a refresh is in flight at once: the
#     refresh's time and peak memory (VmHWM), without and with a history file; with
#     BEFORE_DIR (a folder holding an earlier build's lindrel-stats and
#     lindrel-demo-servers), the earlier build beside this one in the same run.
# Usage: protocols.sh [--10k-only] [BEFORE_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh --bench --peers
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel-stats lindrel-demo-servers >/dev/null
bin=build/default/stats-service
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
only10k=0
before=""
for arg in "$@"; do
  if [ "$arg" = --10k-only ]; then only10k=1; else before=$arg; fi
done
protocols=(q3 a2s teeworlds cube2 openttd mumble minecraft bedrock)
families=${#protocols[@]}
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
stats() { sort -n | awk '{v[NR]=$1} END {printf "median %.1f ms, worst %.1f ms over %d", v[int((NR+1)/2)], v[NR], NR}'; }

# A configuration for servers first..first+count-1 (server i speaks protocols[i % 8]),
# only those quakestat reads when $3 is "qstat", or only protocol N when it is "only-N".
config() {
  local first=$1 count=$2 skip=${3:-} http=$4
  echo "[service]"
  echo "listen = \"127.0.0.1:$http\""
  echo "refresh_ms = 1000"
  local t
  for t in $(seq 0 $((families - 1))); do
    echo "[[game_types]]"; echo "uid = $((60 + t))"; echo "name = \"${protocols[$t]}\""
    echo "protocol = \"${protocols[$t]}\""
  done
  local written=0
  for i in $(seq 0 $((count - 1))); do
    local p=$((i % families))
    if [ "$skip" = qstat ] && [ "$p" != 0 ] && [ "$p" != 1 ] && [ "$p" != 2 ] &&
      [ "$p" != 3 ] && [ "$p" != 5 ]; then continue; fi
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

wait_refreshes() { # log-file count [seconds, 60 when not given]
  local limit=${3:-60}
  for _ in $(seq $((limit * 10))); do
    [ "$(grep -c refresh: "$1" || true)" -ge "$2" ] && return 0
    sleep 0.1
  done
  echo "no $2 refreshes in $limit s" >&2; return 1
}

# Below the ephemeral ports (32768 on), which the service's own sockets take.
first=20000
all=$(IFS=,; echo "${protocols[*]}")
if [ "$only10k" = 0 ]; then
"$bin/lindrel-demo-servers" --count 1000 --port "$first" --players 8 \
  --protocols "$all" > "$work/demo.log" 2>&1 &
pids+=($!)
sleep 2
kill -0 "${pids[0]}" || { cat "$work/demo.log"; exit 1; }

echo "== 1,000 servers, 125 of each protocol, refreshed every second"
config "$first" 1000 "" "$(free_port)" > "$work/1000.toml"
run_service "$work/1000.toml" "$work/1000.log"
wait_refreshes "$work/1000.log" 16
kill "$service"
tail -1 "$work/1000.log"
tail -15 "$work/1000.log" | awk '{print $6}' | stats; echo " refreshes"

echo "== the 625 that quakestat reads: the service's refresh against quakestat -maxsim 500"
config "$first" 1000 qstat "$(free_port)" > "$work/800.toml"
for i in $(seq 0 999); do
  case $((i % families)) in
    0) echo "Q3S 127.0.0.1:$((first + i))" ;;
    1) echo "A2S 127.0.0.1:$((first + i))" ;;
    2) echo "TEES 127.0.0.1:$((first + i))" ;;
    3) echo "CUBE2 127.0.0.1:$((first + i - 1))" ;;
    5) echo "MUMBLE 127.0.0.1:$((first + i))" ;;
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
echo "quakestat -maxsim 500: $(stats < "$work/qstat.ms"); $(answered "$work/qstat.out") of 625 read in the last run"
echo "quakestat -maxsim 500 -sendinterval 1 -interval 0.1: $(stats < "$work/tuned.ms"); $(answered "$work/tuned.out") of 625 read in the last run"
for peer in qstat tuned; do
  paste "$work/ours.ms" "$work/$peer.ms" | awk '{print $1 / $2}' | sort -n |
    awk -v peer="$peer" '{v[NR]=$1} END {printf "ratio service / %s: median %.4f\n", peer, v[int((NR+1)/2)]}'
done

echo "== each protocol alone: 125 servers, the service's refresh and its peer, 5 runs each"
# The peer of each: quakestat's type, GameDig's (run from a Node.js program that asks all
# 125 at once), or none (OpenTTD's TCP query).
peers=(qstat:Q3S qstat:A2S qstat:TEES qstat:CUBE2 none qstat:MUMBLE gamedig:minecraft
       gamedig:minecraftbe)
for p in $(seq 0 $((families - 1))); do
  config "$first" 1000 "only-$p" "$(free_port)" > "$work/one.toml"
  peer=${peers[$p]}
  grep "^${peer#qstat:} " "$work/qstat.txt" > "$work/qstat-one.txt" || true
  ports=$(for i in $(seq "$p" "$families" 999); do echo -n "$((first + i)) "; done)
  : > "$work/ours-one.ms"; : > "$work/peer-one.ms"; read_count=""
  for round in $(seq 5); do
    run_service "$work/one.toml" "$work/one.log"
    wait_refreshes "$work/one.log" 2
    kill "$service"; wait "$service" 2>/dev/null || true
    grep refresh: "$work/one.log" | sed -n 2p | awk '{print $6}' >> "$work/ours-one.ms"
    case $peer in
      qstat:*)
        start=$(date +%s%N)
        quakestat -f "$work/qstat-one.txt" -nh -P -maxsim 500 -allowserverdups > "$work/one.out" 2>/dev/null
        end=$(date +%s%N)
        echo "$(( (end - start) / 1000 ))" | awk '{print $1 / 1000}' >> "$work/peer-one.ms"
        read_count="$(answered "$work/one.out") of 125 read" ;;
      gamedig:*)
        # shellcheck disable=SC2086
        node bench/stats-service/gamedig-batch.js "${peer#gamedig:}" $ports > "$work/dig.out"
        awk '{print $1}' "$work/dig.out" >> "$work/peer-one.ms"
        read_count="$(awk '{print $2}' "$work/dig.out") of 125 read" ;;
    esac
  done
  if [ "$peer" = none ]; then
    echo "${protocols[$p]}: service $(stats < "$work/ours-one.ms"); no peer reads it"
    continue
  fi
  ratio=$(paste "$work/ours-one.ms" "$work/peer-one.ms" | awk '{print $1 / $2}' | sort -n |
    awk '{v[NR]=$1} END {printf "%.3f", v[int((NR+1)/2)]}')
  echo "${protocols[$p]}: service $(stats < "$work/ours-one.ms"); ${peer%%:*} $(stats < "$work/peer-one.ms"), $read_count; ratio (median) $ratio"
done

kill "${pids[0]}"
fi

echo "== 10,000 servers, 1,250 of each protocol, every answer held 150 ms, then 400 ms"
# Each build with its own demo servers (they answer the way its service queries); six
# refreshes, the last one's time and the peak memory, without and with a history file.
ulimit -n "$(ulimit -Hn)"
tenk() { # bin-folder latency-ms history(0|1) label
  local at=$1 latency=$2 history=$3 demo
  "$at/lindrel-demo-servers" --count 10000 --port 21000 --players 8 --latency-ms "$latency" \
    --protocols "$all" > "$work/demo10k.log" 2>&1 &
  demo=$!
  pids+=("$demo")
  sleep 3
  kill -0 "$demo" || { cat "$work/demo10k.log"; exit 1; }
  config 21000 10000 "" "$(free_port)" > "$work/10k.toml"
  rm -f "$work/10k.history"*
  if [ "$history" = 1 ]; then printf '[history]\nfile = "10k.history"\n' >> "$work/10k.toml"; fi
  bin=$at run_service "$work/10k.toml" "$work/10k.log"
  wait_refreshes "$work/10k.log" 6 300
  printf '%-8s %4s ms %-12s last refresh %8s ms, peak %s\n' "$4" "$latency" \
    "$([ "$history" = 1 ] && echo "with history" || echo "no history")" \
    "$(tail -1 "$work/10k.log" | awk '{print $6}')" \
    "$(awk '/VmHWM/ {printf "%.1f MiB", $2 / 1024}' /proc/"$service"/status)"
  kill "$service" "$demo"; wait "$service" "$demo" 2>/dev/null || true
}
for latency in 150 400; do
  for history in 0 1; do
    [ -z "$before" ] || tenk "$before" "$latency" "$history" before
    tenk "$bin" "$latency" "$history" this
  done
done
