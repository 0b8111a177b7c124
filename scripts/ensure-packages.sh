#!/usr/bin/env bash
# Installs, once, what building and testing need on Debian 12: MinGW-w64,
# 32-bit Wine, Xvfb, ImageMagick, xdotool, PulseAudio, sox, clang, a
# Japanese font for the dialog's texts, NSIS and zip for the release, and
# for the Linux program Xlib, libpulse-simple and what its .deb is made with.
set -euo pipefail

missing=()
for command in cmake g++ clang i686-w64-mingw32-g++-posix i686-w64-mingw32-windres x86_64-w64-mingw32-g++-posix wine wineserver Xvfb \
               import xdotool pulseaudio pactl paplay sox file makensis zip pkg-config dpkg-shlibdeps; do
    command -v "$command" >/dev/null 2>&1 || missing+=("$command")
done
[ -d /usr/src/googletest ] || missing+=(googletest)
dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
dpkg -s fonts-ipafont-gothic >/dev/null 2>&1 || missing+=(fonts-ipafont-gothic)
dpkg -s libx11-dev >/dev/null 2>&1 || missing+=(libx11-dev)
dpkg -s libpulse-dev >/dev/null 2>&1 || missing+=(libpulse-dev)

[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing what is missing: ${missing[*]}" >&2
if [ "$(id -u)" -ne 0 ]; then
    echo "Run this as root once (or install the packages named in README.md)." >&2
    exit 1
fi
dpkg --add-architecture i386
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    cmake g++ make libgtest-dev googletest clang libclang-rt-14-dev \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64 \
    xvfb xauth x11-utils imagemagick xdotool pulseaudio pulseaudio-utils sox fonts-ipafont-gothic file nsis zip \
    libx11-dev libpulse-dev pkg-config dpkg-dev >&2
