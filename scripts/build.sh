#!/usr/bin/env bash
# Configures and builds both builds under build/: native (logic and its
# tests) and windows (Brasswick.scr and the Wine-side tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
jobs=$(nproc)

cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native" -j "$jobs"
cmake -S "$root" -B "$build/windows" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -Wno-dev >/dev/null
cmake --build "$build/windows" -j "$jobs"
echo "Built $build/windows/bin/Brasswick.scr" >&2
