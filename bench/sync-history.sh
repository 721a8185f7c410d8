#!/usr/bin/env bash
# A first sync from a remote with a long history against `git clone --no-local` of it: wall time, CPU time and the
# largest resident size. Usage: bench/sync-history.sh <vexolo-playlist-setup> [commits, default 200000]
set -euo pipefail
program=$(realpath "$1")
commits=${2:-200000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git init -q --bare "$work/remote.git"
awk -v n="$commits" 'BEGIN {
    for (i = 0; i < n; i++) {
        data = sprintf("uuid:%d\tPlayer %d\t\t\n", i, i)
        printf "commit refs/heads/fleet\ncommitter bench <bench@example> %d +0000\ndata 5\nsync\n\n", 1700000000 + i
        printf "M 100644 inline players.tsv\ndata %d\n%s\n", length(data), data
    }
}' | git -C "$work/remote.git" fast-import --quiet
git -C "$work/remote.git" gc -q
measure="%e s wall, %U s user, %S s system, %M KB"
/usr/bin/time -f "git clone --no-local: $measure" git clone -q --no-local --bare "$work/remote.git" "$work/clone.git"
HOME="$work/home" XDG_DATA_HOME="$work/home/data" /usr/bin/time -f "sync: $measure" "$program" sync "$work/remote.git"
HOME="$work/home" XDG_DATA_HOME="$work/home/data" /usr/bin/time -f "sync again: $measure" "$program" sync
