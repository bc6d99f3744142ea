#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player with the given files; without files it
# plays the built-in demo clip. Without a display (no DISPLAY or WAYLAND_DISPLAY) the player runs
# on Qt's offscreen platform, closes at the end of the list and tells on standard output what it
# played.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh >/dev/null
./scripts/build.sh release >/dev/null
args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  args=("$PWD/build/bin/Demo/Zelvar Demo.mkv")
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  args+=("/CLOSE")
  # A machine without a display rarely has a sound card; the sound then plays into nothing.
  export ZELVAR_AUDIO_SINK="${ZELVAR_AUDIO_SINK:-fakeaudiosink sync=true}"
fi
exec ./build/bin/zelvar "${args[@]}"
