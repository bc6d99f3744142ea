#!/usr/bin/env bash
# Makes the demo clip the player plays when it is started without a file: ten seconds of a moving
# test picture (640x360) with a tone, Theora and Vorbis in Matroska, titled "Zelvar Demo".
# Usage: make-demo-clip.sh <output file>
set -euo pipefail
out=$1
# gst-launch joins its arguments and splits them again at blanks: the clip is written under a
# name without any, then renamed.
tmp="$(dirname "$out")/.demo-clip.part"
mkdir -p "$(dirname "$out")"
gst-launch-1.0 -q \
  videotestsrc num-buffers=250 pattern=smpte horizontal-speed=2 \
  ! video/x-raw,width=640,height=360,framerate=25/1 ! timeoverlay halignment=right valignment=bottom \
  ! theoraenc ! queue ! matroskamux name=m ! filesink location="$tmp" \
  audiotestsrc num-buffers=431 samplesperbuffer=1024 freq=440 volume=0.2 ! audio/x-raw,rate=44100,channels=2 \
  ! audioconvert ! vorbisenc ! taginject 'tags="title=\"Zelvar Demo\""' ! queue ! m.
mv "$tmp" "$out"
