#!/usr/bin/env bash
# Resident memory of a network stream over time: the whole program (offscreen, sound into a fake
# sink) playing the benchmark's loopback station (128 kbit/s, a metadata block with a title every
# 16 bytes) against GStreamer's playbin on the same station, each for 40 s; then the engine
# control against a plain pipeline, for one long stream and for a thousand switches between streams.
# Usage: bench/stream.sh [build folder] [another build's zelvar, to compare]
set -euo pipefail
build=${1:-build}
other=${2:-}
bench=$build/bench/zv_bench_stream
work=$(mktemp -d)
trap 'kill $station 2>/dev/null || true; rm -rf "$work"' EXIT
export ZELVAR_AUDIO_SINK=fakeaudiosink QT_QPA_PLATFORM=offscreen GST_REGISTRY=$build/gst-registry.bin
"$bench" serve 600 > "$work/url" &
station=$!
sleep 1
url=$(head -1 "$work/url")
rss() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
# Starts a command, reads the resident memory of the named process at 10 s and at 40 s.
watch() {
  local name=$1; shift
  "$@" > /dev/null 2>&1 &
  local launched=$!
  sleep 10
  local pid; pid=$(pgrep -n -f "$name") || pid=$launched
  local a; a=$(rss "$pid")
  sleep 30
  local b; b=$(rss "$pid")
  kill "$pid" "$launched" 2>/dev/null || true
  wait "$launched" 2>/dev/null || true
  echo "$a $b"
}
mkdir -p "$work/home"
echo "== the program, 40 s of the stream: RSS at 10 s and 40 s (KiB)"
echo "zelvar  $(ZELVAR_HOME=$work/home watch zelvar-player "$build/bin/zelvar" "$url")"
if [ -n "$other" ]; then
  echo "other   $(ZELVAR_HOME=$work/home watch zelvar-player "$other" "$url")"
fi
echo "playbin $(watch "playbin uri" gst-launch-1.0 -q playbin uri="$url" audio-sink=fakeaudiosink video-sink=fakesink)"
echo "== engine control against a plain pipeline (KiB at 10 s, at 60 s, at the end)"
echo "one stream, 120 s:    ours $("$bench" play 120)  peer $("$bench" play 120 peer)"
echo "1000 switches:        ours $("$bench" switch 1000)  peer $("$bench" switch 1000 peer)"
