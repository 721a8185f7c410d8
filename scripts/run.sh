#!/usr/bin/env bash
# Sets up and builds, then starts Vexolo Playlist Setup.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/src/app/vexolo-playlist-setup
