#!/usr/bin/env bash
# The engine against GStreamer's playbin on the same 1080p MPEG-4 file, both showing pictures in an
# X11 window under Xvfb: open to first picture (CPU), ten seconds of playback (CPU of the player
# and of the X server), and seek latency to a key frame and to an exact position.
# Usage: bench/engine.sh [build folder]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
file=$work/hd.avi
gst-launch-1.0 -q videotestsrc num-buffers=325 pattern=smpte horizontal-speed=8 \
  ! video/x-raw,width=1920,height=1080,framerate=25/1 ! avenc_mpeg4 bitrate=8000000 gop-size=25 \
  ! avimux name=m ! filesink location="$file" \
  audiotestsrc num-buffers=560 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 ! lamemp3enc ! m.
Xvfb :96 -screen 0 1920x1200x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=:96 ZELVAR_AUDIO_SINK="fakeaudiosink sync=true" GST_REGISTRY=$build/gst-registry.bin
zv=$build/bench/zv_bench_engine
peer=$build/bench/zv_peer_playbin
ticks=$(getconf CLK_TCK)
xcpu() { awk -v t="$ticks" '{print ($14+$15)/t}' /proc/$xvfb/stat; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

echo "== open to first picture, CPU seconds (median of 9, alternating)"
for i in $(seq 9); do "$zv" first "$file" >> $work/zv_first; "$peer" first "$file" >> $work/peer_first; done
a=$(median < $work/zv_first); b=$(median < $work/peer_first)
echo "zelvar $a  playbin $b  ratio $(echo "$a / $b" | bc -l | cut -c1-5)"

echo "== 10 s of playback, CPU seconds of player + X server (median of 5)"
for i in 1 2 3 4 5; do
  x0=$(xcpu); out=$("$zv" play "$file" 10); x1=$(xcpu)
  echo "$out $x0 $x1" | awk '{printf "%.3f %d\n", $1 + ($4 - $3), $2}' >> $work/zv_play
  x0=$(xcpu); out=$("$peer" play "$file" 10); x1=$(xcpu)
  echo "$out $x0 $x1" | awk '{printf "%.3f %d\n", $1 + ($4 - $3), $2}' >> $work/peer_play
done
a=$(cut -d' ' -f1 $work/zv_play | median); b=$(cut -d' ' -f1 $work/peer_play | median)
echo "zelvar $a (frames: $(cut -d' ' -f2 $work/zv_play | tr '\n' ' '))  playbin+ximagesink $b (frames: $(cut -d' ' -f2 $work/peer_play | tr '\n' ' '))  ratio $(echo "$a / $b" | bc -l | cut -c1-5)"

for mode in key accurate; do
  echo "== seek latency ($mode), mean ms of 10 seeks (median of 3 runs)"
  for i in 1 2 3; do "$zv" seek "$file" $mode >> $work/zv_seek_$mode; "$peer" seek "$file" $mode >> $work/peer_seek_$mode; done
  a=$(median < $work/zv_seek_$mode); b=$(median < $work/peer_seek_$mode)
  echo "zelvar $a  playbin $b  ratio $(echo "$a / $b" | bc -l | cut -c1-5)"
done

echo "== 10 s of playback with the video processor and without it (ZV_BENCH_PROCESSOR=0), median of 5"
for i in 1 2 3 4 5; do
  for p in 1 0; do
    x0=$(xcpu); out=$(ZV_BENCH_PROCESSOR=$p "$zv" play "$file" 10); x1=$(xcpu)
    echo "$out $x0 $x1" | awk '{printf "%.3f %d\n", $1 + ($4 - $3), $2}' >> $work/proc_$p
  done
done
a=$(cut -d' ' -f1 $work/proc_1 | median); b=$(cut -d' ' -f1 $work/proc_0 | median)
echo "with $a (frames: $(cut -d' ' -f2 $work/proc_1 | tr '\n' ' '))  without $b (frames: $(cut -d' ' -f2 $work/proc_0 | tr '\n' ' '))  ratio $(echo "$a / $b" | bc -l | cut -c1-5)"
