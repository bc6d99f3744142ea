#!/usr/bin/env bash
# Draws the remote-control click (data/Sounds/Click.wav): 30 ms of a 2.2 kHz tone under a fast
# decay, mono 16-bit 44.1 kHz, without dither so that the file is the same on every run.
set -euo pipefail
out=${1:-"$(dirname "$0")/../data/Sounds/Click.wav"}
sox -D -n -r 44100 -c 1 -b 16 -e signed-integer "$out" synth 0.03 sine 2200 fade q 0 0.03 0.027 gain -6
