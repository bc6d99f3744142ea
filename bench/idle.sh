#!/usr/bin/env bash
# Idle CPU of the main window's timer and the load meter under Xvfb (bench/idle_bench.cpp).
# Usage: bench/idle.sh [build folder] [seconds]
set -euo pipefail
build=$(realpath "${1:-build}")
display=:$((300 + RANDOM % 200))
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$build/bench/zv_bench_idle" "${2:-20}"
