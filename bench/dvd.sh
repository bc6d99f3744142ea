#!/usr/bin/env bash
# Opening a DVD folder to its first picture: the engine through the disc's navigator against
# GStreamer's playbin on dvd:///folder, both showing pictures in an X11 window under Xvfb, sound
# into fakeaudiosink. The disc is the test suite's own (tools/make-test-dvd.sh): a menu that stands
# still, two short titles.
# Usage: bench/dvd.sh [build folder]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
"$(dirname "$0")/../tools/make-test-dvd.sh" "$work/disc" >/dev/null
Xvfb :97 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=:97 ZELVAR_AUDIO_SINK="fakeaudiosink sync=true" GST_REGISTRY=$build/gst-registry.bin
zv=$build/bench/zv_bench_engine
peer=$build/bench/zv_peer_playbin
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

echo "== DVD folder open to first picture, CPU seconds (median of 9, alternating)"
for i in $(seq 9); do
  # The disc library writes notices on standard output too: only the figure is kept.
  "$zv" first "$work/disc/VIDEO_TS/VIDEO_TS.IFO" 2>/dev/null | grep -E '^[0-9.]+$' >> "$work/zv_first"
  "$peer" first "dvd://$work/disc" 2>/dev/null | grep -E '^[0-9.]+$' >> "$work/peer_first"
done
a=$(median < "$work/zv_first"); b=$(median < "$work/peer_first")
echo "zelvar $a  playbin $b  ratio $(echo "$a / $b" | bc -l | cut -c1-5)"
