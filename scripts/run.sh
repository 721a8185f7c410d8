#!/usr/bin/env bash
# Sets up and builds the program alone (tests and benchmark are the test command's), then starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
VEXOLO_TARGETS=vexolo-playlist-setup scripts/setup.sh
exec build/src/app/vexolo-playlist-setup "$@"
