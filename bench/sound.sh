#!/usr/bin/env bash
# The equalizer's cost: 20 s of 48 kHz stereo sound played with the three equalizer stages (each
# at +6 dB, so that every sample goes through them) and without them, CPU seconds of the player.
# Usage: bench/sound.sh [build folder]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/tone.wav
gst-launch-1.0 -q audiotestsrc num-buffers=1500 samplesperbuffer=1024 wave=pink-noise ! \
  audio/x-raw,format=S16LE,rate=48000,channels=2 ! wavenc ! filesink location="$file"
export QT_QPA_PLATFORM=offscreen ZELVAR_AUDIO_SINK="fakeaudiosink sync=true" GST_REGISTRY=$build/gst-registry.bin
zv=$build/bench/zv_bench_engine
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
echo "== 20 s of sound with the equalizer (ZV_BENCH_EQ=1) and without, CPU seconds (median of 5, alternating)"
for i in 1 2 3 4 5; do
  for e in 1 0; do ZV_BENCH_EQ=$e "$zv" sound "$file" 20 | cut -d' ' -f1 >> $work/eq_$e; done
done
a=$(median < $work/eq_1); b=$(median < $work/eq_0)
echo "with $a  without $b  ratio $(echo "$a / $b" | bc -l | cut -c1-5)  cost $(echo "($a - $b) * 100 / 20" | bc -l | cut -c1-5) % of a core"
