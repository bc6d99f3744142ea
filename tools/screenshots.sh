#!/usr/bin/env bash
# Screenshots of the looks under Xvfb with openbox, for the README and for checking the art by eye:
# the default look playing the demo clip, the plain built-in look, the skin folder Ember, a button
# hovered and pressed, the idle window with its logo, the playlist panel open while playing, and
# full screen, the popup menu, subtitles with their settings, the video settings, an effect, the
# sound settings, every page of the preferences and the picture of the playing graph. Usage: tools/screenshots.sh <build folder> <output folder>
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
mkdir -p "$out"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
home=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home ZELVAR_AUDIO_SINK=fakeaudiosink

# shot <name> <skin> [hover|press]: plays the demo clip three seconds in, then grabs the window.
shot() {
  local name=$1 skin=$2 action=${3:-}
  "$build/bin/zelvar" "/SKIN=$skin" "$build/bin/Demo/Zelvar Demo.mkv" >/dev/null 2>&1 &
  local pid=$!
  local win=
  for _ in $(seq 100); do
    win=$(xdotool search --name "Zelvar Demo" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  sleep 3
  eval "$(xdotool getwindowgeometry --shell "$win")"
  if [ -n "$action" ]; then
    # The play button of the control panel: 23, 22 above its bottom-left in the skinned look.
    xdotool mousemove --window "$win" 24 $((HEIGHT - 80))
    sleep 0.3
    [ "$action" = press ] && xdotool mousedown 1 && sleep 0.3
  fi
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -define png:exclude-chunks=date,time "$out/$name.png"
  [ "$action" = press ] && xdotool mouseup 1
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  xdotool mousemove 0 0
}

# visible_window [name]: the id of the visible window of that name (the program's by default) once
# it is shown (empty after 10 s).
visible_window() {
  local win= name=${1:-Zelvar}
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  echo "$win"
}

# launch <program> <skin> [files...]: starts the program and waits for its window (pid, win).
launch() {
  local program=$1 skin=$2
  shift 2
  "$build/bin/$program" "/SKIN=$skin" "$@" >/dev/null 2>&1 &
  pid=$!
  win=$(visible_window)
  sleep 2
}

# grab <name> [window]: that window's rectangle of the screen, or the whole screen.
grab() {
  if [ -n "${2:-}" ]; then
    eval "$(xdotool getwindowgeometry --shell "$2")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -define png:exclude-chunks=date,time "$out/$1.png"
  else
    import -window root +repage -define png:exclude-chunks=date,time "$out/$1.png"
  fi
}

finish() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# keys <key...>: each key to the program's window, half a second apart.
keys() {
  for k in "$@"; do
    xdotool key --window "$win" "$k"
    sleep 0.5
  done
}

# scene <name> <keys> <program> [files...]: the default look three seconds in, after the keys; the
# whole screen when the window covers it.
scene() {
  local name=$1 list=$2 program=$3
  shift 3
  launch "$program" " <TQ-41> " "$@"
  # shellcheck disable=SC2086 # the keys are a list
  keys $list
  sleep 1.5
  grab "$name" "$win"
  finish
}

# menu <name> <skin>: the popup menu opened on the control panel, its Window submenu open; the
# whole screen.
menu() {
  launch zelvar "$2" "$build/bin/Demo/Zelvar Demo.mkv"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + 120)) $((Y + HEIGHT - 12)) click 3
  sleep 0.7
  # Down past Open, Play/Pause, Next, File, Playback and Seek to Window, then into it.
  xdotool key Down Down Down Down Down Down Right
  sleep 0.7
  grab "$1"
  xdotool key Escape Escape
  finish
}

# subtitles <name> <dialog name>: the demo clip with a subtitle file loaded through Alt+S and its
# file dialog; then the subtitle settings (Shift+S) over the window, the whole screen.
subtitles() {
  local srt=$home/demo-subtitles.srt
  printf '1\r\n00:00:00,000 --> 00:10:00,000\r\nSubtitles found by <i>Zelvar</i>\r\nsecond line, shifted with Ctrl+. and Ctrl+,\r\n\r\n' >"$srt"
  launch zelvar " <TQ-41> " "$build/bin/Demo/Zelvar Demo.mkv"
  keys alt+s
  # Typing only once the file dialog has the focus.
  for _ in $(seq 50); do
    [ "$(xdotool getactivewindow 2>/dev/null || true)" != "$win" ] && break
    sleep 0.1
  done
  sleep 1
  xdotool type --delay 40 "$srt"
  xdotool key Return
  sleep 1.5
  grab "$1" "$win"
  keys shift+s
  sleep 1
  grab "$2"
  finish
}

# effect <name>: the video settings (Ctrl+V) with the effect slider at its last position (edges),
# moved below the picture; the whole screen.
effect() {
  launch zelvar " <TQ-41> " "$build/bin/Demo/Zelvar Demo.mkv"
  keys ctrl+v
  sleep 1
  local dlg
  dlg=$(visible_window "Video settings")
  sleep 0.5 # placed by the window manager
  eval "$(xdotool getwindowgeometry --shell "$dlg")"
  xdotool mousemove $((X + 380)) $((Y + 128)) click 1
  sleep 0.3
  xdotool key End
  xdotool windowmove "$dlg" 0 440
  sleep 1
  grab "$1"
  finish
}

# sound <name>: the sound settings (Ctrl+A) of a film with two sound tracks and the equalizer on;
# beside the main window, the whole screen.
sound() {
  local prefs=$build/bin/ZV.xml
  # The preferences a first run writes, with the equalizer on for this scene only.
  if [ ! -f "$prefs" ]; then
    launch zelvar " <TQ-41> "
    finish
  fi
  sed -i 's|<Equalizer Enabled="0"|<Equalizer Enabled="1"|' "$prefs"
  launch zelvar " <TQ-41> " "$media/two_audio.mkv"
  keys ctrl+a
  visible_window "Sound settings" >/dev/null
  sleep 1.5
  grab "$1"
  finish
  sed -i 's|<Equalizer Enabled="1"|<Equalizer Enabled="0"|' "$prefs"
}

# preferences <prefix>: every page of the preferences (F10), each chosen with a click in the
# category list, then the picture of the playing graph (F9) with the demuxer's box clicked.
preferences() {
  launch zelvar " <TQ-41> " "$build/bin/Demo/Zelvar Demo.mkv"
  keys F10
  local dlg
  dlg=$(visible_window "^Preferences$")
  sleep 1
  local i
  for i in $(seq 0 14); do
    xdotool mousemove --window "$dlg" 100 $((30 + 36 * i)) click 1
    sleep 0.8
    import -window "$dlg" -define png:exclude-chunks=date,time "$out/$1$(printf %02d "$i").png"
  done
  xdotool key Escape
  sleep 1
  keys F9
  dlg=$(visible_window "DirectShow Filters")
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$dlg")"
  xdotool mousemove --window "$dlg" $((WIDTH * 35 / 100 + 116)) 78 click 1
  sleep 0.5
  import -window "$dlg" -define png:exclude-chunks=date,time "$out/filters.png"
  finish
}

media=$build/test-media
# The demo clip's remembered picture settings (zoom, colours) would show in the shots.
rm -f "$build/bin/ms.xml"
launch zelvar " <TQ-41> " "$build/bin/Demo/Zelvar Demo.mkv"
keys ctrl+v
sleep 1.5
grab video_settings
finish
effect effect
subtitles subtitles subtitle_dialog
menu menu " <TQ-41> "
sound sound_settings
menu menu_plain " <XP.Blue> "
preferences prefs_
scene idle "" zelvar-player
scene playlist "p" zelvar "$build/bin/Demo/Zelvar Demo.mkv" "$media/vorbis.ogg" "$media/xing.mp3" "$media/theora_vorbis.mkv"
scene fullscreen "Return" zelvar "$build/bin/Demo/Zelvar Demo.mkv"
shot default " <TQ-41> "
shot plain " <XP.Blue> "
shot ember "Ember"
shot hover " <TQ-41> " hover
shot press " <TQ-41> " press
echo "screenshots in $out"
