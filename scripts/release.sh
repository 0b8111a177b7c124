#!/usr/bin/env bash
# Builds what a Windows user downloads into dist/, from a build tree of its
# own (build/release) that starts empty every time:
#   Brasswick-<version>-setup.exe  the installer (packaging/brasswick.nsi)
#   Brasswick-<version>.zip        Brasswick.scr and README.txt
#   brasswick_<version>_<arch>.deb the Linux program, from a native tree of
#                                  its own (build/release-deb)
#   SHA256SUMS                     all three, in the form sha256sum -c reads;
#                                  lines of other releases in it stay
# Every time stamp inside comes from the commit's date (or SOURCE_DATE_EPOCH),
# so the same commit gives the same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release
dist=${BRASSWICK_DIST:-$root/dist}  # the tests release elsewhere, keeping a release of yours

"$root/scripts/ensure-packages.sh"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct) ||
        { echo "not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "warning: the tree has uncommitted changes; dist/ holds them, not the commit" >&2
fi

rm -rf "$build"
# The program alone, as the Windows build makes it for its tests.
cmake -S "$root" -B "$build" -Wno-dev -DCMAKE_BUILD_TYPE=Release -DBRASSWICK_PROGRAM_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-win32.cmake" >/dev/null
cmake --build "$build" --target Brasswick -j "$(nproc)" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }

# What goes into the zip and the installer, with fixed modes and times.
stage=$build/stage
mkdir -p "$stage"
cp "$build/bin/Brasswick.scr" "$stage/"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/packaging/README.txt" >"$stage/README.txt"
chmod 644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

setup=Brasswick-$version-setup.exe
archive=Brasswick-$version.zip
# Only this release's own files are replaced: the folder may hold others.
mkdir -p "$dist"
rm -f "$dist/$setup" "$dist/$archive" "$dist"/brasswick_"$version"_*.deb
makensis -V2 -DVERSION="$version" -DSCR="$stage/Brasswick.scr" -DOUTFILE="$dist/$setup" \
    "$root/packaging/brasswick.nsi"
# -X: no owner or extra time fields; -D: no folder entries; names in this order.
(cd "$stage" && zip -q -X -D "$dist/$archive" Brasswick.scr README.txt)

# The Linux package: only what it holds is built (not the tests), then
# CPack installs that and writes the .deb.
deb_build=$root/build/release-deb
rm -rf "$deb_build"
cmake -S "$root" -B "$deb_build" -Wno-dev -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$deb_build" --target brasswick brasswick_man_page -j "$(nproc)" >/dev/null
(cd "$deb_build" && cpack -G DEB -B "$deb_build/package" >"$deb_build/cpack.log" 2>&1) ||
    { cat "$deb_build/cpack.log" >&2; exit 1; }
package=$(cd "$deb_build/package" && ls brasswick_"$version"_*.deb)
cp "$deb_build/package/$package" "$dist/"

# This release's lines replace its own earlier ones; the others stay.
sums=$(cd "$dist" && sha256sum "$setup" "$archive" "$package")
others=$(grep -v -F -e "  $setup" -e "  $archive" -e "  brasswick_${version}_" "$dist/SHA256SUMS" 2>/dev/null || true)
printf '%s\n' "$others" "$sums" | grep . | sort -k2 >"$dist/SHA256SUMS"

echo "Released $version into $dist:" >&2
echo "$sums" >&2
