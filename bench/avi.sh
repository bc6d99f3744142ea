#!/usr/bin/env bash
# The AVI reader's benchmarks: a 2-hour AVI indexed in-process and beside ffprobe, and the cached
# reader's throughput against plain read() calls. The 2-hour file is made once (about a minute).
# Usage: bench/avi.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work="$build/bench-media"
mkdir -p "$work"
film="$work/two_hours.avi"
if [ ! -s "$film" ]; then
  ffmpeg -v error -nostdin -y -f lavfi -i testsrc=size=64x48:rate=25:duration=7200 \
    -f lavfi -i sine=frequency=440:sample_rate=22050:duration=7200 \
    -c:v mpeg4 -g 250 -c:a libmp3lame -ac 1 -b:a 32k "$film"
fi
"$build/bench/zv_bench_avi" index "$film" 20
hyperfine -N -w 3 -r 20 "$build/bench/zv_bench_avi index $film 1" \
  "ffprobe -v error -show_format -show_streams $film"
big="$work/read_256mb.bin"
[ -s "$big" ] || head -c 268435456 /dev/urandom > "$big"
"$build/bench/zv_bench_avi" read "$big" 4096
"$build/bench/zv_bench_avi" read "$big" 65536 5
