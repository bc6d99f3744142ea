#!/usr/bin/env bash
# Generates the media files the tests play, with GStreamer's own encoders and muxers and the common
# command-line tools.
# Usage: make-test-media.sh <output folder> <avi_patch tool>
# Files are made once; a stamp holding this script's checksum marks a complete set.
# Every file is byte-identical from run to run, so that stored reference values never drift: no
# dither (sox -D), no time stamps or random serial numbers and identifiers (ffmpeg's bitexact mode,
# oggenc -s, PNG without time chunks). GStreamer's Ogg and Matroska muxers draw random serial
# numbers and identifiers, so those containers come from ffmpeg.
set -euo pipefail
out=$1
patch=$2
stamp="$out/.complete"
sum=$(cat "$0" "$(dirname "$0")/make-test-dvd.sh" | sha1sum | cut -d' ' -f1)
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
# ffmpeg; $BX before an output name: no random identifiers, time stamps or version strings there.
FFX="ffmpeg -v error -nostdin -y"
BX="-fflags +bitexact -flags:v +bitexact -flags:a +bitexact"
$FFX -f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi -i sine=frequency=440:duration=3 -ac 2 \
   -c:v libtheora -q:v 6 -c:a libvorbis -q:a 3 $BX "$out/theora_vorbis.mkv"
$L $A ! audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true ! xingmux \
   ! id3v2mux ! filesink location="$out/xing.mp3"
$L $A ! audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true ! filesink location="$out/cbr.mp3"
$L $A ! audioconvert ! audio/x-raw,format=S16LE ! wavenc ! filesink location="$out/pcm.wav"
$FFX -i "$out/pcm.wav" -c:a libvorbis -q:a 3 $BX "$out/vorbis.ogg"
# PAL pixels flagged 16:9, shown 1024 x 576.
$FFX -f lavfi -i testsrc=size=720x576:rate=25:duration=2 -vf setsar=64/45 -c:v mpeg4 -q:v 5 $BX "$out/anamorphic.mkv"
# A film with two sound tracks, 440 Hz in the first and 1000 Hz in the second.
$FFX -f lavfi -i testsrc=size=160x120:rate=25:duration=4 -f lavfi -i sine=frequency=440:duration=4 \
   -f lavfi -i sine=frequency=1000:duration=4 -map 0 -map 1 -map 2 -ac 2 -c:v mpeg4 -q:v 5 -c:a libvorbis -q:a 3 \
   $BX "$out/two_audio.mkv"

"$patch" "$out/mpeg4_mp3.avi" "$out/unknown_fourcc.avi" video ABCD
"$patch" "$out/mjpg_pcm.avi" "$out/unknown_wavetag.avi" audio 1234
"$patch" "$out/mpeg4_mp3.avi" "$out/xdiv.avi" video xDIV

# AVI files for the program's own AVI reader, from both common muxers.
mkdir -p "$out/avi"
# 80 s at 5 frames per second with a key frame every 10 s, MP3 audio.
$L videotestsrc num-buffers=400 pattern=ball ! video/x-raw,width=160,height=120,framerate=5/1 \
   ! avenc_mpeg4 bitrate=100000 gop-size=50 ! avimux name=m ! filesink location="$out/avi/gop10.avi" \
   audiotestsrc num-buffers=3445 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=1 \
   ! lamemp3enc bitrate=32 ! mpegaudioparse ! m.
FF="$FFX -f lavfi -i testsrc=size=160x120:rate=25:duration=6 -f lavfi -i sine=frequency=440:duration=6"
$FF -c:v mpeg4 -g 25 -c:a libmp3lame -b:a 64k "$out/avi/ff_mpeg4_mp3.avi"
$FF -c:v mpeg4 -g 25 -c:a pcm_s16le "$out/avi/ff_mpeg4_pcm.avi"
$FF -c:v mpeg4 -g 25 -c:a aac -b:a 64k "$out/avi/ff_mpeg4_aac.avi"
$FF -c:v mpeg4 -g 25 -an "$out/avi/ff_video_only.avi"
"$patch" "$out/avi/ff_mpeg4_mp3.avi" "$out/avi/ff_noindex.avi" noindex
"$patch" "$out/mpeg4_mp3.avi" "$out/avi/gst_noindex.avi" noindex
# Damaged indexes: every offset 4 bytes off, and the second half of the entries zeroed.
"$patch" "$out/avi/ff_mpeg4_mp3.avi" "$out/avi/shifted_index.avi" shiftindex
"$patch" "$out/avi/ff_mpeg4_mp3.avi" "$out/avi/half_index.avi" halfindex
# Headers behind the movie data: GStreamer's demuxer refuses it, the program's own source plays it.
"$patch" "$out/avi/ff_mpeg4_pcm.avi" "$out/avi/hdrl_last.avi" hdrllast
# Files for the media information: tags as common tools write them.
mkdir -p "$out/mediainfo"
$L $A ! audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true \
   ! taginject 'tags="title=\"Café Ñandú\",artist=\"Ünïcode Band\",album=\"Álbum Ünö\""' \
   ! id3mux write-v1=true write-v2=true v2-version=4 ! filesink location="$out/mediainfo/tags_v24.mp3"
$FFX -f lavfi -i sine=duration=3 -c:a libmp3lame -b:a 64k -id3v2_version 3 \
   -metadata title="Ffmpeg Tïtle" -metadata artist="Ff Artist" -metadata album="Ff Album" "$out/mediainfo/tags_v23.mp3"
$L audiotestsrc num-buffers=130 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=1 ! audioconvert \
   ! lamemp3enc target=quality quality=4 ! xingmux ! filesink location="$out/mediainfo/vbr_mono.mp3"
$FFX -f lavfi -i sine=duration=2:sample_rate=22050 -metadata title="Wave Title" \
   -c:a pcm_s16le "$out/mediainfo/list_before_data.wav"
for f in "ogg -c:a libvorbis" "flac -c:a flac" "aac -c:a aac -f adts" "ac3 -c:a ac3" "wma -c:a wmav2"; do
  set -- $f
  ext=$1
  shift
  $FFX -f lavfi -i sine=frequency=440:duration=3 -ac 2 -metadata title="Tëst Title" \
     -metadata artist="Tëst Artist" -metadata album="Tëst Album" "$@" $BX "$out/mediainfo/tagged.$ext"
done
# The command-line encoders' own ways of writing files and tags: a LAME header with UTF-16 ID3v2
# frames, an ID3v1-only file, a FLAC file with a PICTURE block, oggenc's comments, sox's WAV.
sox -D -n -r 44100 -c 2 -b 16 "$out/mediainfo/sox.wav" synth 3 sine 440 sine 660
sox -D -n -r 8000 -c 1 -b 8 -e unsigned "$out/mediainfo/sox_u8.wav" synth 2 sine 300
lame --quiet -V 4 --id3v2-utf16 --tt "Lame Tïtle" --ta "Lame Ärtist" --tl "Lame Älbum" --add-id3v2 \
   "$out/mediainfo/sox.wav" "$out/mediainfo/lame_vbr.mp3"
lame --quiet -b 192 -m m --id3v1-only --tt "V1 Title" --ta "V1 Artist" --tl "V1 Album" \
   "$out/mediainfo/sox.wav" "$out/mediainfo/lame_v1.mp3"
convert -size 64x64 xc:red -define png:exclude-chunks=date,time "$out/mediainfo/cover.png"
flac --silent -f -T "TITLE=Flac Tïtle" -T "ARTIST=Flac Ärtist" -T "ALBUM=Flac Älbum" \
   --picture="$out/mediainfo/cover.png" -o "$out/mediainfo/flac_picture.flac" "$out/mediainfo/sox.wav"
oggenc -Q -s 1 -t "Oggenc Tïtle" -a "Oggenc Ärtist" -l "Oggenc Älbum" -q 3 -o "$out/mediainfo/oggenc.ogg" \
   "$out/mediainfo/sox.wav"
# WAV files of compressed sound as ffmpeg writes them (with a "fact" chunk), one written to a pipe
# (sizes 0xFFFFFFFF), AIFF and AU with PCM, Opus with its tags inside the stream, and a VBR MP3
# without a Xing header whose first frames differ in bit rate.
for codec in adpcm_ms adpcm_ima_wav libmp3lame; do
  $FFX -f lavfi -i sine=frequency=440:duration=3 -c:a $codec $BX -f wav "$out/mediainfo/$codec.wav"
done
$FFX -f lavfi -i sine=frequency=440:duration=2 -c:a pcm_s16le $BX -f wav - >"$out/mediainfo/piped.wav"
$FFX -f lavfi -i sine=frequency=440:duration=2 $BX "$out/mediainfo/pcm.aiff"
$FFX -f lavfi -i sine=frequency=440:duration=2 $BX "$out/mediainfo/pcm.au"
$FFX -f lavfi -i sine=frequency=440:duration=3 -ac 2 -metadata title="Opus Tïtle" -metadata artist="Opus Ärtist" \
   -metadata album="Opus Älbum" -c:a libopus -b:a 64k $BX "$out/mediainfo/tagged.opus"
sox -D -n -r 44100 -c 2 -b 16 "$out/mediainfo/sweep.wav" synth 12 sine 60-12000 sine 12000-60 tremolo 3 60
lame --quiet -t -V 0 "$out/mediainfo/sweep.wav" "$out/mediainfo/vbr_noxing.mp3"
# A film in three parts of 4 s, video with MP3 audio.
for k in 1 2 3; do
  $L videotestsrc num-buffers=100 pattern=smpte ! video/x-raw,width=160,height=120,framerate=25/1 \
     ! avenc_mpeg4 bitrate=100000 gop-size=25 ! avimux name=m ! filesink location="$out/avi/film$k.avi" \
     audiotestsrc num-buffers=173 samplesperbuffer=1024 freq=$((300 * k)) ! audio/x-raw,rate=44100,channels=2 \
     ! lamemp3enc bitrate=64 ! mpegaudioparse ! m.
done
# A DVD folder with a menu and two titles (dvdauthor).
"$(dirname "$0")/make-test-dvd.sh" "$out/dvd"

# A locale whose decimal separator is a comma, for the texts that follow the user's locale.
mkdir -p "$out/locale"
localedef -i de_DE -f UTF-8 "$out/locale/de_DE.UTF-8"
echo "$sum" > "$stamp"
