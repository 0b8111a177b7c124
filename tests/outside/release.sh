#!/usr/bin/env bash
# What a Windows user downloads, built twice: the same bytes each time, sums
# that check, and the released Brasswick.scr is the file the other tests ran.
# Needs no Wine. Leaves the release in build/release-test/ for installer.sh;
# a file of another release beside it stays.
set -uo pipefail
source "$(dirname "$0")/../harness/script.sh"
work=$build/release-test
rm -rf "$work"
mkdir -p "$work/dist" "$work/first"
export BRASSWICK_DIST=$work/dist
dist=$BRASSWICK_DIST
source "$root/tests/outside/check.sh"
finish() {
    echo "release: ${passed} passed, ${failed} failed"
    [ "$failed" -eq 0 ]
    exit
}

echo "not ours" >"$dist/notes.txt"
# Another release shares SHA256SUMS.
echo "an earlier release" >"$dist/Brasswick-0.0.1.zip"
(cd "$dist" && sha256sum Brasswick-0.0.1.zip >SHA256SUMS)
release() { "$root/scripts/release.sh" >"$work/release-$1.log" 2>&1 || { cat "$work/release-$1.log"; false; }; }
check "release builds" release 1 || finish
cp "$dist"/* "$root/build/release/stage/Brasswick.scr" "$work/first/"
check "release builds again" release 2 || finish
setup=$(cd "$dist" && ls Brasswick-*-setup.exe)
version=${setup#Brasswick-}
version=${version%-setup.exe}
same_bytes() { cmp -s "$work/first/$1" "$2/$1"; }
check "Brasswick.scr is the same bytes both times" same_bytes Brasswick.scr "$root/build/release/stage"
check "the zip is the same bytes both times" same_bytes "Brasswick-$version.zip" "$dist"
check "the installer is the same bytes both times" same_bytes "$setup" "$dist"
check "the Linux package is the same bytes both times" same_bytes "$(cd "$dist" && ls brasswick_*.deb)" "$dist"
check "SHA256SUMS checks" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
check "a file that is not the release's stays" grep -qx "not ours" "$dist/notes.txt"
release_lines() { grep -c -e "  Brasswick-$version" -e "  brasswick_${version}_" "$dist/SHA256SUMS"; }
check "SHA256SUMS keeps another release's line and this one's three, once each" \
    eval 'grep -q "  Brasswick-0.0.1.zip$" "$dist/SHA256SUMS" && [ "$(release_lines)" = 3 ]' 
check "the released Brasswick.scr is the one the other tests ran" \
    cmp -s "$work/first/Brasswick.scr" "$build/windows/bin/Brasswick.scr"
finish
