#!/usr/bin/env bash
# Builds what is missing and runs the Lindrel monitor.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target lindrel
exec build/default/src/app/lindrel "$@"
