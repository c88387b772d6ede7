#!/usr/bin/env bash
# Installs the Debian packages that the Windows build and its tests need.
set -euo pipefail
exec "$(dirname "$0")/../install-deps.sh" --windows
