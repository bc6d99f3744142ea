#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player with the given files.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh >/dev/null
./scripts/build.sh release >/dev/null
exec ./build/bin/zelvar "$@"
