# The start that the scripts share (scripts/*.sh, tests/outside/*.sh), so
# that each says only what is its own. Source it first:
#   source "$(dirname "$0")/../tests/harness/script.sh"
# It sets root (the checkout) and build (its build folder) and brings in the
# session (session.sh): display, Wine prefix and sound server.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$root/build
source "$root/tests/harness/session.sh"

# parse_options [--words] NAME=DEFAULT ... -- "$@"
# Sets each $NAME to its default, then to VALUE for each "--NAME VALUE".
# With --words, other arguments are kept in WORDS; else they end the script
# with its usage.
parse_options() {
    local _words=0 _usage _known _name
    local -a _names=()
    _usage="usage: $(basename "$0")"
    if [ "$1" = --words ]; then _words=1; shift; fi
    while [ "$1" != -- ]; do
        _names+=("${1%%=*}")
        printf -v "${1%%=*}" '%s' "${1#*=}"
        _usage+=" [--${1%%=*} N]"
        shift
    done
    shift
    [ "$_words" -eq 0 ] || _usage+=" [NAME...]"
    WORDS=()
    while [ $# -gt 0 ]; do
        _known=0
        for _name in "${_names[@]}"; do
            if [ "$1" = "--$_name" ] && [ $# -ge 2 ]; then
                printf -v "$_name" '%s' "$2"
                _known=1
            fi
        done
        if [ "$_known" -eq 1 ]; then
            shift 2
        elif [ "$_words" -eq 1 ] && [[ $1 != -* ]]; then
            WORDS+=("$1")
            shift
        else
            echo "$_usage" >&2
            exit 2
        fi
    done
}

# Installs what is missing. Before choose_windows_build: whether 32-bit Wine
# runs can only be told once it is installed. Inside the test command's
# session this and prepare_build are done already.
ensure_packages() {
    [ -z "${BRASSWICK_SESSION:-}" ] || return 0
    "$root/scripts/ensure-packages.sh"
}

# prepare_build NAME...: installs what is missing, then builds those trees.
prepare_build() {
    [ -z "${BRASSWICK_SESSION:-}" ] || return 0
    ensure_packages || return 1
    "$root/scripts/build.sh" "$@"
}

# The usual start of a script that runs the saver: the Windows build, quietly,
# and the session of the test command (or one of its own).
start_saver_script() {
    ensure_packages || exit 1
    choose_windows_build "$build"
    prepare_build "$WINDOWS_BUILD" >/dev/null || exit 1
    join_or_start_session "$build" >/dev/null || exit 1
}

# The settings file is saved here and put back when the script ends (or
# earlier, by restore_saver_ini). It may be a folder by then: a fault run
# makes it one.
keep_saver_ini() {
    SAVER_INI=$(saver_ini_path)
    KEPT_INI_DIR=$(mktemp -d)
    if [ -e "$SAVER_INI" ]; then cp -r "$SAVER_INI" "$KEPT_INI_DIR/kept"; fi
    SESSION_AFTER_STOP+=(forget_kept_ini)
}
restore_saver_ini() {
    rm -rf "$SAVER_INI"
    if [ -e "$KEPT_INI_DIR/kept" ]; then cp -r "$KEPT_INI_DIR/kept" "$SAVER_INI"; fi
}
forget_kept_ini() {
    restore_saver_ini
    rm -rf "$KEPT_INI_DIR"
}

# start_saver [VAR=value ...] [SWITCH ...]: Brasswick.scr in the background,
# with /s unless switches are given; sets SAVER_PID.
start_saver() {
    local -a environment=()
    while [ $# -gt 0 ] && [[ $1 == *=* ]]; do
        environment+=("$1")
        shift
    done
    [ $# -gt 0 ] || set -- /s
    in_background env "${environment[@]}" wine "$WINDOWS_TREE/bin/Brasswick.scr" "$@"
    SAVER_PID=$BACKGROUND_PID
}

saver_ended() { ! kill -0 "$SAVER_PID" 2>/dev/null; }

# wait_for_saver_exit SECONDS: the saver's exit code, or 124 when it still
# runs after SECONDS (it is ended then).
wait_for_saver_exit() {
    if wait_until "$1" saver_ended; then
        wait "$SAVER_PID"
        return
    fi
    kill "$SAVER_PID" 2>/dev/null
    return 124
}

# end_saver_with_key [SECONDS]: a key press as a user's, then the exit code
# within SECONDS (10).
end_saver_with_key() {
    xdotool key space 2>/dev/null || true
    wait_for_saver_exit "${1:-10}"
}

# WINEDLLOVERRIDES for a saver that may reach sound only through PulseAudio:
# Wine's other drivers would find the machine's own devices.
pulse_only_overrides() { echo "${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winealsa.drv,wineoss.drv=d"; }

# play_into_room FILE: what the saver hears; sets PLAYER_PID.
play_into_room() {
    in_background paplay -d room "$1"
    PLAYER_PID=$BACKGROUND_PID
}

# start_preview_host FILE: the stand-in for the Display settings, which
# writes its window's handle into FILE; sets PREVIEW_HOST_PID and
# PREVIEW_HANDLE.
start_preview_host() {
    in_background wine "$WINDOWS_TREE/bin/preview_host.exe" >"$1" 2>/dev/null
    PREVIEW_HOST_PID=$BACKGROUND_PID
    wait_until 10 test -s "$1"
    PREVIEW_HANDLE=$(tr -dc '0-9' <"$1")
}

# A short digest of what the screen shows.
screen_digest() {
    import -window root rgb:- 2>/dev/null | md5sum | cut -c1-16
}

# tile_faces_shown IMAGE: "BANDS TILES", how many bands the picture shows a
# whole tile face of, and how many whole faces (98 x 98 pixels of a 128-pixel
# tile) it shows; a tile cut by the screen's edge does not count.
tile_faces_shown() {
    convert "$1" -depth 8 -format %c histogram:info:- |
        awk -v faces="$TileFaceColours" 'BEGIN { n = split(faces, f, " "); for (i = 1; i <= n; i++) face["(" f[i] ")"] = 1 }
            $2 in face && $1 + 0 >= 9604 { bands++; tiles += int(($1 + 0) / 9604) } END { print bands + 0, tiles + 0 }'
}
