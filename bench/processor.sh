#!/usr/bin/env bash
# Playback CPU with the video processor in the graph against without it: ten seconds of a 1080p
# MPEG-4 film shown in an X11 window under Xvfb, CPU of the player and the X server, median of 5,
# alternating. Usage: bench/processor.sh [build folder]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
file=$work/hd.avi
gst-launch-1.0 -q videotestsrc num-buffers=325 pattern=smpte horizontal-speed=8 \
  ! video/x-raw,width=1920,height=1080,framerate=25/1 ! avenc_mpeg4 bitrate=8000000 gop-size=25 \
  ! avimux name=m ! filesink location="$file" \
  audiotestsrc num-buffers=560 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 ! lamemp3enc ! m.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display ZELVAR_AUDIO_SINK="fakeaudiosink sync=true" GST_REGISTRY=$build/gst-registry.bin
zv=$build/bench/zv_bench_engine
ticks=$(getconf CLK_TCK)
xcpu() { awk -v t="$ticks" '{print ($14+$15)/t}' /proc/$xvfb/stat; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
for i in 1 2 3 4 5; do
  for p in 1 0; do
    x0=$(xcpu); out=$(ZV_BENCH_PROCESSOR=$p "$zv" play "$file" 10); x1=$(xcpu)
    echo "$out $x0 $x1" | awk '{printf "%.3f %d\n", $1 + ($4 - $3), $2}' >> $work/play_$p
  done
done
a=$(cut -d' ' -f1 $work/play_1 | median); b=$(cut -d' ' -f1 $work/play_0 | median)
echo "with processor $a (frames: $(cut -d' ' -f2 $work/play_1 | tr '\n' ' '))  without $b (frames: $(cut -d' ' -f2 $work/play_0 | tr '\n' ' '))  ratio $(echo "$a / $b" | bc -l | cut -c1-5)"
