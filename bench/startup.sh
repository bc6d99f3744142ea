#!/usr/bin/env bash
# Start-up to a shown main window and an orderly exit, against the smallest Qt program that does
# the same, both under Xvfb. Usage: bench/startup.sh [build folder]
set -euo pipefail
build=${1:-build}
home=$(mktemp -d)
trap 'rm -rf "$home"; kill $xvfb 2>/dev/null || true' EXIT
Xvfb :97 -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=:97 ZELVAR_HOME=$home XDG_RUNTIME_DIR=$home/run ZELVAR_QUIT_AFTER_START=1
hyperfine --warmup 3 --runs 30 -N \
  "$build/bin/zelvar" \
  "$build/bench/zv_peer_qt_window"
