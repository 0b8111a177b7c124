#!/usr/bin/env bash
# The set-up (scripts/ensure-packages.sh) with stand-in apt-get and dpkg and a
# PATH of its own: on a new machine, an archive in mid-sync (no index update,
# no 32-bit Wine) must not stop it, and a machine where everything installs
# must see nothing change; where only 32-bit Wine is missing, no run installs
# the rest again, and the indexes are updated only when the i386 ones were
# never asked for.
set -uo pipefail
source "$(dirname "$0")/check.sh"
setup=$(cd "$(dirname "$0")/../.." && pwd)/scripts/ensure-packages.sh
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
mkdir "$bin/stand-ins" "$bin/tools" "$bin/present"

# What the set-up runs besides the packages' own commands.
for tool in id grep tail cut mktemp cat rm sleep; do
    ln -s "$(command -v "$tool")" "$bin/tools/$tool"
done
# Every command that the set-up looks for, for a machine that has them all.
for command in $(sed -n '/^for command in/,/; do$/p' "$setup" | tr -d '\\;' | sed 's/^for command in//; s/do$//'); do
    printf '#!/bin/sh\n' >"$bin/present/$command"
    chmod +x "$bin/present/$command"
done

# dpkg knows every package but wine32:i386, and i386 as a foreign
# architecture when I386=added; apt-get fails its first $UPDATE_FAILS
# updates, and installs wine32:i386 only when WINE32=ok.
cat >"$bin/stand-ins/dpkg" <<'SH'
#!/bin/sh
echo "dpkg $*" >>"$CALLS"
case $* in
    --print-foreign-architectures) [ "$I386" = added ] && echo i386; exit 0 ;;
esac
[ "$*" != "-s wine32:i386" ]
SH
cat >"$bin/stand-ins/apt-get" <<'SH'
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
chmod +x "$bin/stand-ins/dpkg" "$bin/stand-ins/apt-get"

# set_up MACHINE UPDATE_FAILS WINE32 INSTALL [I386]: MACHINE is new (nothing
# installed) or built (all but 32-bit Wine); sets STATUS, OUT (its standard
# error) and CALLS (the stand-ins' log).
set_up() {
    local path=$bin/stand-ins:$bin/tools
    [ "$1" = new ] || path+=:$bin/present
    export CALLS=$bin/calls UPDATE_FAILS=$2 WINE32=$3 INSTALL=$4 I386=${5:-}
    : >"$CALLS"
    OUT=$(PATH=$path BRASSWICK_AS_ROOT=1 BRASSWICK_APT_RETRY_PAUSE=0 /bin/bash "$setup" 2>&1)
    STATUS=$?
}
wine32_line() { grep -c '^32-bit Wine cannot be installed' <<<"$OUT"; }
updates() { grep -c '^apt-get update' "$CALLS"; }
rest_installed_alone() {
    grep -q '^apt-get install.* wine64 ' "$CALLS" && ! grep -q '^apt-get install.* wine64 .*wine32' "$CALLS"
}
rest_not_installed() { ! grep -q '^apt-get install.* wine64 ' "$CALLS"; }

set_up new 9 fail ok
check "mid-sync: three updates, then on with the indexes it has" test "$(updates)" = 3 -a "$STATUS" = 0
check "mid-sync: the rest installed apart from 32-bit Wine" rest_installed_alone
check "mid-sync: one line says why, naming apt's error and the twin" eval \
    '[ "$(wine32_line)" = 1 ] && grep -q "(Unable to correct problems, you have held broken packages.).*64-bit twin" <<<"$OUT"'

set_up new 1 ok ok
check "all installs: a second update, 32-bit Wine, no fallback" eval \
    '[ "$STATUS" = 0 ] && [ "$(updates)" = 2 ] && [ "$(wine32_line)" = 0 ] &&
     grep -q "^apt-get install.* wine32:i386" "$CALLS"'

set_up new 0 ok fail
check "the rest failing to install still fails the set-up" test "$STATUS" != 0

set_up built 9 fail ok added
check "only 32-bit Wine missing: one try, no update, the rest not installed again, one line" eval \
    '[ "$STATUS" = 0 ] && [ "$(updates)" = 0 ] && rest_not_installed && [ "$(wine32_line)" = 1 ] &&
     [ "$(grep -c "^apt-get install.*wine32:i386" "$CALLS")" = 1 ]'
set_up built 0 ok ok
check "only 32-bit Wine missing, i386 never asked for: one update, then 32-bit Wine alone" eval \
    '[ "$STATUS" = 0 ] && [ "$(updates)" = 1 ] && rest_not_installed && grep -q "^apt-get install.*wine32:i386" "$CALLS"'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
