#!/usr/bin/env bash
# The media information against mediainfo and exiftool: 1 000 MP3 files with ID3v2 tags (made
# once from the test fixture's tagged file), read whole-folder by each, warm cache, one process
# per run (hyperfine, 10 runs after 2 warm-ups). Usage: bench/mediainfo.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
src="$build/test-media/mediainfo/tags_v24.mp3"
[ -s "$src" ] || { echo "run the tests once first (the media fixture makes $src)" >&2; exit 1; }
work="$build/bench-media/mp3-1000"
if [ "$(ls "$work" 2>/dev/null | wc -l)" -ne 1000 ]; then
  rm -rf "$work"
  mkdir -p "$work"
  for i in $(seq -w 1 1000); do cp "$src" "$work/song-$i.mp3"; done
fi
"$build/bench/zv_bench_mediainfo" "$work" 5
hyperfine -N -w 2 -r 10 \
  "$build/bench/zv_bench_mediainfo $work 1" \
  "mediainfo --Inform=General;%Duration%|%Title%|%Performer%\\n $work" \
  "exiftool -fast2 -q -Duration -Title -Artist $work"
