#!/usr/bin/env bash
# The set-up (scripts/ensure-packages.sh) with stand-in apt-get and dpkg first
# on PATH: an archive in mid-sync (no index update, no 32-bit Wine) must not
# stop it, and a machine where everything installs must see nothing change.
set -uo pipefail
source "$(dirname "$0")/check.sh"
setup=$(cd "$(dirname "$0")/../.." && pwd)/scripts/ensure-packages.sh
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT

# dpkg knows every package but wine32:i386; apt-get fails its first
# $UPDATE_FAILS updates, and installs wine32:i386 only when WINE32=ok.
cat >"$bin/dpkg" <<'SH'
#!/bin/sh
echo "dpkg $*" >>"$CALLS"
[ "$*" != "-s wine32:i386" ]
SH
cat >"$bin/apt-get" <<'SH'
#!/bin/sh
echo "apt-get $*" >>"$CALLS"
case $* in
    update*) n=$(grep -c '^apt-get update' "$CALLS")
             [ "$n" -gt "$UPDATE_FAILS" ] && exit 0
             echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size" >&2; exit 100 ;;
    *wine32:i386*) [ "$WINE32" = ok ] && exit 0
             echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
    *install*) [ "$INSTALL" = ok ] || exit 100 ;;
esac
SH
chmod +x "$bin/dpkg" "$bin/apt-get"

# set_up UPDATE_FAILS WINE32 INSTALL: sets STATUS, OUT (its standard error)
# and CALLS (the stand-ins' log).
set_up() {
    export CALLS=$bin/calls UPDATE_FAILS=$1 WINE32=$2 INSTALL=$3
    : >"$CALLS"
    OUT=$(PATH=$bin:$PATH BRASSWICK_AS_ROOT=1 BRASSWICK_APT_RETRY_PAUSE=0 bash "$setup" 2>&1)
    STATUS=$?
}
wine32_line() { grep -c '^32-bit Wine cannot be installed' <<<"$OUT"; }
rest_installed_alone() {
    grep -q '^apt-get install.* wine64 ' "$CALLS" && ! grep -q '^apt-get install.* wine64 .*wine32' "$CALLS"
}

set_up 9 fail ok
check "mid-sync: three updates, then on with the indexes it has" \
    test "$(grep -c '^apt-get update' "$CALLS")" = 3 -a "$STATUS" = 0
check "mid-sync: the rest installed apart from 32-bit Wine" rest_installed_alone
check "mid-sync: one line says why, naming apt's error and the twin" eval \
    '[ "$(wine32_line)" = 1 ] && grep -q "(Unable to correct problems, you have held broken packages.).*64-bit twin" <<<"$OUT"'

set_up 1 ok ok
check "all installs: a second update, 32-bit Wine, no fallback" eval \
    '[ "$STATUS" = 0 ] && [ "$(grep -c "^apt-get update" "$CALLS")" = 2 ] && [ "$(wine32_line)" = 0 ] &&
     grep -q "^apt-get install.* wine32:i386" "$CALLS"'

set_up 0 ok fail
check "the rest failing to install still fails the set-up" test "$STATUS" != 0

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
