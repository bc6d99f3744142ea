#!/usr/bin/env bash
# Generates the media files the tests play, with GStreamer's own encoders and muxers.
# Usage: make-test-media.sh <output folder> <avi_patch tool>
# Files are made once; a stamp holding this script's checksum marks a complete set.
set -euo pipefail
out=$1
patch=$2
stamp="$out/.complete"
sum=$(sha1sum "$0" | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$sum" ]; then
  exit 0
fi
mkdir -p "$out"
rm -f "$stamp"
L="gst-launch-1.0 -q"
V="videotestsrc num-buffers=75 pattern=smpte ! video/x-raw,width=320,height=240,framerate=25/1"
A="audiotestsrc num-buffers=130 samplesperbuffer=1024 freq=440 ! audio/x-raw,rate=44100,channels=2"

$L $V ! avenc_mpeg4 bitrate=400000 gop-size=25 ! avimux name=m ! filesink location="$out/mpeg4_mp3.avi" \
   $A ! lamemp3enc bitrate=128 ! mpegaudioparse ! m.
$L $V ! jpegenc quality=70 ! avimux name=m ! filesink location="$out/mjpg_pcm.avi" \
   $A ! audioconvert ! audio/x-raw,format=S16LE ! m.
$L $V ! theoraenc ! matroskamux name=m ! filesink location="$out/theora_vorbis.mkv" \
   $A ! audioconvert ! vorbisenc ! m.
$L $A ! audioconvert ! vorbisenc ! oggmux ! filesink location="$out/vorbis.ogg"
$L $A ! audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true ! xingmux \
   ! id3v2mux ! filesink location="$out/xing.mp3"
$L $A ! audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true ! filesink location="$out/cbr.mp3"
$L $A ! audioconvert ! audio/x-raw,format=S16LE ! wavenc ! filesink location="$out/pcm.wav"

"$patch" "$out/mpeg4_mp3.avi" "$out/unknown_fourcc.avi" video ABCD
"$patch" "$out/mjpg_pcm.avi" "$out/unknown_wavetag.avi" audio 1234
"$patch" "$out/mpeg4_mp3.avi" "$out/xdiv.avi" video xDIV
echo "$sum" > "$stamp"
