#!/usr/bin/env bash
# Installs, once, what building and testing need on Debian 12: MinGW-w64,
# 32-bit Wine, Xvfb, ImageMagick, xdotool, PulseAudio, sox, clang, a
# Japanese font for the dialog's texts, NSIS and zip for the release, and
# for the Linux program Xlib, libpulse-simple and what its .deb is made with.
# When 32-bit Wine cannot be installed it says why in one line and goes on:
# the Wine tests then run the 64-bit twin. BRASSWICK_AS_ROOT=1 skips the
# check that it runs as root (its test runs it with stand-in apt-get and dpkg).
set -euo pipefail

missing=()
for command in cmake g++ clang i686-w64-mingw32-g++-posix i686-w64-mingw32-windres x86_64-w64-mingw32-g++-posix wine wineserver Xvfb \
               import xdotool pulseaudio pactl paplay sox file makensis zip pkg-config dpkg-shlibdeps; do
    command -v "$command" >/dev/null 2>&1 || missing+=("$command")
done
[ -d /usr/src/googletest ] || missing+=(googletest)
for package in libclang-rt-14-dev fonts-ipafont-gothic libx11-dev libpulse-dev; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
wine32_missing=0
dpkg -s wine32:i386 >/dev/null 2>&1 || wine32_missing=1

# skip_wine32 REASON: the one line, and the set-up goes on without it.
skip_wine32() {
    echo "32-bit Wine cannot be installed ($1): the Wine tests will run the 64-bit twin, build/windows64" >&2
}
apt_install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"; }
# Apart from the rest, so that its failure takes nothing else down.
install_wine32() {
    local log
    log=$(mktemp)
    if apt_install wine32:i386 >"$log" 2>&1; then
        cat "$log" >&2
    else
        skip_wine32 "$(grep '^E: ' "$log" | tail -n 1 | cut -c4-)"
    fi
    rm -f "$log"
}

[ ${#missing[@]} -eq 0 ] && [ "$wine32_missing" -eq 0 ] && exit 0
is_root() { [ "${BRASSWICK_AS_ROOT:-}" = 1 ] || [ "$(id -u)" -eq 0 ]; }
if ! is_root; then
    if [ ${#missing[@]} -eq 0 ]; then
        skip_wine32 "wine32:i386 is missing, and this is not root"
        exit 0
    fi
    echo "Missing: ${missing[*]}$([ "$wine32_missing" -eq 0 ] || echo ' wine32:i386')" >&2
    echo "Run this as root once (or install the packages named in README.md)." >&2
    exit 1
fi
echo "Installing what is missing: ${missing[*]}$([ "$wine32_missing" -eq 0 ] || echo ' wine32:i386')" >&2
# With only 32-bit Wine missing, the rest is not installed again, and the
# indexes are updated only when the i386 ones were never asked for: each run
# of the tests comes here.
only_wine32=0
[ ${#missing[@]} -gt 0 ] || only_wine32=1
if [ "$only_wine32" -eq 0 ] || ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    # A mirror in mid-sync serves one index at a wrong size for a while:
    # retry, then go on with the indexes that came.
    for attempt in 1 2 3; do
        apt-get update -q >&2 && break
        if [ "$attempt" -eq 3 ]; then
            echo "The package indexes did not all update; going on with those that did." >&2
        else
            sleep "${BRASSWICK_APT_RETRY_PAUSE:-5}"
        fi
    done
fi

[ "$only_wine32" -eq 1 ] || apt_install cmake g++ make libgtest-dev googletest clang libclang-rt-14-dev \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 \
    xvfb xauth x11-utils imagemagick xdotool pulseaudio pulseaudio-utils sox fonts-ipafont-gothic file nsis zip \
    libx11-dev libpulse-dev pkg-config dpkg-dev >&2
[ "$wine32_missing" -eq 0 ] || install_wine32
