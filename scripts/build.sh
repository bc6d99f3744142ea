#!/usr/bin/env bash
# Configures and builds one build folder. Usage: scripts/build.sh [release|asan|tsan] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-release}
shift || true
case "$kind" in
  release) dir=build; type=RelWithDebInfo ;;
  asan) dir=build-asan; type=Asan ;;
  tsan) dir=build-tsan; type=Tsan ;;
  *) echo "unknown build kind: $kind" >&2; exit 2 ;;
esac
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
cmake --build "$dir"
