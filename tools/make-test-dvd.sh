#!/usr/bin/env bash
# Authors a small DVD folder for the DVD tests: a title menu with two buttons (a still picture that
# waits for a choice), title 1 (3 s, one English sound track) and title 2 (4 s, English at 440 Hz and
# German at 1000 Hz). The MPEG-2 comes from ffmpeg in bitexact mode, the buttons' pictures from
# ImageMagick without time chunks, the menu highlights from spumux and the disc from dvdauthor, so
# the folder is byte-identical from run to run.
# Usage: make-test-dvd.sh <output folder>   (makes <output folder>/VIDEO_TS)
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
FFX="ffmpeg -v error -nostdin -y"
BX="-fflags +bitexact -flags:v +bitexact -flags:a +bitexact"
DVD="-target pal-dvd -aspect 4:3 -b:v 1500k -maxrate 3000k -b:a 128k"
# The buttons: the left one at (100,200)-(300,300), the right one at (420,200)-(620,300) in the
# 720 x 576 picture.
$FFX -f lavfi -i "color=c=0x203050:size=720x576:rate=25:duration=1" -f lavfi -i "anullsrc=r=48000:cl=stereo" -t 1 \
  -vf "drawbox=x=100:y=200:w=200:h=100:color=0x40a040:t=fill,drawbox=x=420:y=200:w=200:h=100:color=0xa04040:t=fill" \
  $DVD $BX "$work/menu.mpg"
PNG="-define png:exclude-chunks=date,time"
convert -size 720x576 xc:transparent -fill '#ffff00' -draw "rectangle 96,196 304,304" \
  -draw "rectangle 416,196 624,304" $PNG "$work/highlight.png"
convert -size 720x576 xc:transparent -fill '#ff00ff' -draw "rectangle 96,196 304,304" \
  -draw "rectangle 416,196 624,304" $PNG "$work/select.png"
cat > "$work/spu.xml" <<XML
<subpictures>
  <stream>
    <spu start="00:00:00.00" force="yes" highlight="$work/highlight.png" select="$work/select.png">
      <button name="b1" x0="96" y0="196" x1="304" y1="304" right="b2"/>
      <button name="b2" x0="416" y0="196" x1="624" y1="304" left="b1"/>
    </spu>
  </stream>
</subpictures>
XML
spumux "$work/spu.xml" < "$work/menu.mpg" > "$work/menu_spu.mpg" 2> "$work/spumux.log" || {
  cat "$work/spumux.log" >&2
  exit 1
}
$FFX -f lavfi -i "testsrc=size=720x576:rate=25:duration=3" -f lavfi -i "sine=frequency=440:duration=3:sample_rate=48000" \
  -ac 2 $DVD $BX "$work/title1.mpg"
$FFX -f lavfi -i "testsrc2=size=720x576:rate=25:duration=4" -f lavfi -i "sine=frequency=440:duration=4:sample_rate=48000" \
  -f lavfi -i "sine=frequency=1000:duration=4:sample_rate=48000" -map 0 -map 1 -map 2 -ac 2 $DVD $BX "$work/title2.mpg"
cat > "$work/dvd.xml" <<XML
<dvdauthor dest="$work/disc" jumppad="no">
  <vmgm>
    <menus>
      <video format="pal" aspect="4:3"/>
      <pgc entry="title">
        <vob file="$work/menu_spu.mpg" pause="inf"/>
        <button name="b1">jump title 1;</button>
        <button name="b2">jump title 2;</button>
      </pgc>
    </menus>
  </vmgm>
  <titleset>
    <titles>
      <video format="pal" aspect="4:3"/>
      <audio lang="en"/>
      <pgc><vob file="$work/title1.mpg"/><post>call vmgm menu 1;</post></pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <video format="pal" aspect="4:3"/>
      <audio lang="en"/>
      <audio lang="de"/>
      <pgc><vob file="$work/title2.mpg"/><post>call vmgm menu 1;</post></pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
VIDEO_FORMAT=PAL dvdauthor -x "$work/dvd.xml" > "$work/dvdauthor.log" 2>&1 || {
  cat "$work/dvdauthor.log" >&2
  exit 1
}
rm -rf "$out/VIDEO_TS"
mkdir -p "$out"
mv "$work/disc/VIDEO_TS" "$out/VIDEO_TS"
