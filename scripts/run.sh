#!/usr/bin/env bash
# Builds what is missing and runs the Lindrel monitor against the bundled stats service,
# which it starts in demo mode (five demo game servers on 127.0.0.1 to 127.0.0.5) when
# nothing answers at 127.0.0.1:27950 yet.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No desktop session here (DISPLAY is not set): run this from your desktop." >&2
  exit 1
fi
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel lindrel-stats

service_up() { (exec 3<>/dev/tcp/127.0.0.1/27950) 2>/dev/null; }

started=""
if ! service_up; then
  build/default/stats-service/lindrel-stats --demo &
  started=$!
  trap 'kill "$started" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do service_up && break; sleep 0.1; done
  sleep 0.5 # let the first refresh of the demo servers land
fi

build/default/src/app/lindrel "$@"
