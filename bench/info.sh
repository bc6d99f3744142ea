#!/usr/bin/env bash
# "zelvar /INFO file" without a display against "mediainfo file": one process per report, warm
# cache (hyperfine, 30 runs after 3 warm-ups). Usage: bench/info.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
file="$build/test-media/mediainfo/tags_v24.mp3"
[ -s "$file" ] || { echo "run the tests once first (the media fixture makes $file)" >&2; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ZELVAR_HOME="$home" \
  hyperfine -N -w 3 -r 30 "$build/bin/zelvar /INFO $file" "mediainfo $file"
