#!/usr/bin/env bash
# Runs the stats service against every game server Debian ships, the large ones too:
# Red Eclipse and Nexuiz bring about 1.6 GB of game data, too much for every CI run, so
# their test runs here (and is skipped by the suite where they are not installed), beside
# the families the suite runs anyway.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --games --peers
cmake --preset default >/dev/null
cmake --build --preset default --target stats_service_tests
build/default/tests/stats-service/stats_service_tests \
  --gtest_filter='LargeGames.*:MoreFamilies.*:GameFamilies.*'
