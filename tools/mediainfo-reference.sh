#!/usr/bin/env bash
# Prints what mediainfo reports for media files, one line each, in the layout of
# tests/data/mediainfo/reference.txt:
#   file | duration in ms | audio bit rate in kbit/s (0: none) | sample rate | channels | title | artist | album
# Usage: tools/mediainfo-reference.sh <media folder> <file below it>...
set -euo pipefail
media=$1
shift
for f in "$@"; do
  general=$(mediainfo --Inform='General;%Duration%|%Title%|%Performer%|%Album%' "$media/$f")
  audio=$(mediainfo --Inform='Audio;%BitRate%|%SamplingRate%|%Channel(s)%' "$media/$f")
  IFS='|' read -r duration title artist album <<<"$general"
  IFS='|' read -r bitrate rate channels <<<"$audio"
  duration=${duration%%.*}
  bitrate=${bitrate%%.*}
  kbps=0
  [ -n "$bitrate" ] && kbps=$(((bitrate + 500) / 1000))
  echo "$f|$duration|$kbps|$rate|$channels|$title|$artist|$album"
done
