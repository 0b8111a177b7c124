#!/usr/bin/env bash
# Configures and builds under build/: native (logic and its tests), sanitize
# (the same under ASan and UBSan), fuzz (libFuzzer targets, clang) and
# windows (Brasswick.scr and the Wine-side tests); windows64, its 64-bit twin
# for kernels that run no 32-bit program, only when named. Names given as
# arguments build only those: scripts/build.sh windows
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
jobs=$(nproc)
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native sanitize fuzz windows)

configure_and_build() {
    local name=$1
    shift
    cmake -S "$root" -B "$build/$name" -Wno-dev "$@" >/dev/null
    cmake --build "$build/$name" -j "$jobs"
}

for name in "${builds[@]}"; do
    case $name in
        native) configure_and_build native -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
        sanitize) configure_and_build sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRASSWICK_SANITIZE=ON ;;
        fuzz) configure_and_build fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRASSWICK_FUZZ=ON \
                  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ ;;
        windows) configure_and_build windows -DCMAKE_BUILD_TYPE=Release \
                     -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" ;;
        windows64) configure_and_build windows64 -DCMAKE_BUILD_TYPE=Release \
                       -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" ;;
        *) echo "unknown build: $name" >&2; exit 2 ;;
    esac
done
echo "Built: ${builds[*]}" >&2
