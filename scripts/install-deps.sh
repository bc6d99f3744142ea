#!/usr/bin/env bash
# Installs every Debian package Zelvar needs to build, run and test.
# Idempotent: packages already present are skipped, so a second run does nothing.
# Run as root on Debian 12 (bookworm).
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache git clang-format
  # user interface
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  # media engine
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-tools gstreamer1.0-x gstreamer1.0-alsa
  gstreamer1.0-pulseaudio
  libglib2.0-dev
  # libraries
  zlib1g-dev libjpeg62-turbo-dev
  libxcb1-dev libxcb-keysyms1-dev libxcb-randr0-dev libxcb-screensaver0-dev
  # the system volume: the sound server's client library and the sound card mixer
  libpulse-dev libasound2-dev
  # tests, benchmarks, fuzzing
  googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # a sound server with null outputs for the sound tests, and its control tool
  pulseaudio pulseaudio-utils
  # the remote-control daemon and its sender, the desktop's media-control client and the desktop
  # file tools, for the outside-control tests
  lirc playerctl xdg-utils desktop-file-utils shared-mime-info
  # DVD authoring for the DVD tests
  dvdauthor
  xvfb xauth x11-apps x11-utils xdotool openbox imagemagick libxml2-utils dbus dbus-x11 hyperfine zip
  # AVI and audio files from another muxer, and the readers the benchmarks compare against
  ffmpeg mediainfo libimage-exiftool-perl
  # the command-line encoders whose files the media information must read
  lame flac vorbis-tools sox
  # another player, for the playlist interoperability tests
  mpv
  # locale sources (a comma-decimal locale is compiled for the tests)
  locales
  # fonts so that text renders under the offscreen platform and Xvfb
  fonts-dejavu-core
)

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

# Fail loudly if anything is still missing (a package that does not exist any more, a broken mirror).
still=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || still+=("$p")
done
if [ ${#still[@]} -ne 0 ]; then
  echo "install-deps: could not install: ${still[*]}" >&2
  exit 1
fi
echo "install-deps: done"
