#!/usr/bin/env bash
# Full screen and back under Xvfb with openbox (bench/fullscreen_bench.cpp).
# Usage: bench/fullscreen.sh [build folder]
set -euo pipefail
build=$(realpath "${1:-build}")
display=:$((300 + RANDOM % 200))
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
"$build/bench/zv_bench_fullscreen"
