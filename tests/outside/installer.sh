#!/usr/bin/env bash
# What a Windows user downloads, installed and removed for real: the release
# is built twice (the same bytes each time) and checked against its sums;
# its installer runs silently in the test prefix, the installed saver runs,
# an install over the running saver must fail with a non-zero code, one with
# /NOSET replaces the file and keeps the current saver, and the uninstaller
# that the uninstall entry names removes all of it but the settings file.
# Registry values changed here are put back. Joins the test command's
# session, or starts its own.
# installer.sh SYSTEM_FOLDER_EXE
set -uo pipefail
system_folder_exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build
dist=$root/dist
source "$root/tests/harness/session.sh"
join_or_start_session "$build" >/dev/null || exit 1

work=$build/installer-test
rm -rf "$work"
mkdir -p "$work"
passed=0
failed=0
check() {  # check NAME COMMAND...: the command's status is the verdict
    local name=$1
    shift
    if "$@"; then
        echo "ok - $name"
        passed=$((passed + 1))
    else
        echo "not ok - $name"
        failed=$((failed + 1))
    fi
}
finish() {
    echo "installer: ${passed} passed, ${failed} failed"
    [ "$failed" -eq 0 ]
    exit
}

# 1. The release, twice.
release() { "$root/scripts/release.sh" >"$work/release-$1.log" 2>&1 || { cat "$work/release-$1.log"; false; }; }
check "release builds" release 1 || finish
mkdir "$work/first"
cp "$dist"/* "$root/build/release/stage/Brasswick.scr" "$work/first/"
check "release builds again" release 2 || finish
setup=$(cd "$dist" && ls Brasswick-*-setup.exe)
version=${setup#Brasswick-}
version=${version%-setup.exe}
same_bytes() { cmp -s "$work/first/$1" "$2/$1"; }
check "Brasswick.scr is the same bytes both times" same_bytes Brasswick.scr "$root/build/release/stage"
check "the zip is the same bytes both times" same_bytes "Brasswick-$version.zip" "$dist"
check "the installer is the same bytes both times" same_bytes "$setup" "$dist"
check "SHA256SUMS checks" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
cp "$dist/$setup" "$work/"
release_scr=$work/first/Brasswick.scr

# 2. The prefix as a test found it, put back at the end.
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick'
desktop_key='HKCU\Control Panel\Desktop'
renames_key='HKLM\System\CurrentControlSet\Control\Session Manager'
value_of() {  # value_of KEY NAME: the data, or nothing (status 1) when absent
    wine reg query "$1" /v "$2" /reg:32 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | grep .
}
saver_before=$(value_of "$desktop_key" SCRNSAVE.EXE)
renames_before=$(value_of "$renames_key" PendingFileRenameOperations)
ini=$(saver_ini_path)
[ -e "$ini" ] && cp "$ini" "$work/kept.ini"
write_saver_ini 420 3 6 9 17 33 65
cp "$ini" "$work/user.ini"

folder=$(wine "$system_folder_exe" | tr -d '\r')
unix_folder=$(winepath -u "$folder" 2>/dev/null)
installed=$unix_folder/Brasswick.scr
program_files=$(winepath -u 'C:\Program Files (x86)' 2>/dev/null)
forget_install() {  # what a crashed run may have left
    wine reg delete "$uninstall_key" /reg:32 /f >/dev/null 2>&1
    rm -rf "$installed" "$program_files/Korvane"
}
forget_install

# 3. Silent install, then the installed saver.
install() { wine "$work/$setup" /S "$@" >/dev/null 2>&1; }
check "the installer ends with 0" install
check "Brasswick.scr is in $folder" cmp -s "$release_scr" "$installed"
names_installed() { [ "${1,,}" = "${folder,,}\\brasswick.scr" ]; }
check "SCRNSAVE.EXE names it" names_installed "$(value_of "$desktop_key" SCRNSAVE.EXE)"
entry_has() { [ "$(value_of "$uninstall_key" "$1")" = "$2" ]; }
check "the uninstall entry's DisplayName" entry_has DisplayName Brasswick
check "the uninstall entry's DisplayVersion" entry_has DisplayVersion "$version"
check "the uninstall entry's Publisher" entry_has Publisher Korvane
check "the uninstall entry's NoModify" entry_has NoModify 0x1
check "the uninstall entry's NoRepair" entry_has NoRepair 0x1
icon=$(value_of "$uninstall_key" DisplayIcon)
check "the uninstall entry's DisplayIcon" names_installed "${icon%,0}"
size=$(value_of "$uninstall_key" EstimatedSize)
check "the uninstall entry's EstimatedSize (kB)" [ $((size)) -ge $(($(stat -c %s "$release_scr") / 1024)) ]
uninstall=$(value_of "$uninstall_key" UninstallString)
quiet=$(value_of "$uninstall_key" QuietUninstallString)
quiet_is_silent() { [ -n "$uninstall" ] && [ "$quiet" = "$uninstall /S" ]; }
check "the uninstall entry's UninstallString and QuietUninstallString" quiet_is_silent

wine "$folder\\Brasswick.scr" /s >/dev/null 2>&1 &
saver=$!
SESSION_PIDS+=($saver)
sleep 3
running() { kill -0 "$saver" 2>/dev/null; }
check "the installed saver runs" running
# The file is in use: the installer must say so with its code, not go on.
fails() { ! "$@"; }
check "an install over the running saver ends non-zero" fails install
key_ends_with_zero() {
    xdotool key space
    local i
    for i in $(seq 100); do
        if ! running; then
            wait "$saver"
            return
        fi
        sleep 0.1
    done
    kill "$saver" 2>/dev/null
    return 1
}
check "a key ends the installed saver with 0" key_ends_with_zero

other='C:\windows\system32\other.scr'
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other" /f >/dev/null 2>&1
: >"$installed"
check "an install with /NOSET over it ends with 0" install /NOSET
check "it replaced the file in place" cmp -s "$release_scr" "$installed"
check "it kept the current saver" [ "$(value_of "$desktop_key" SCRNSAVE.EXE)" = "$other" ]
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$folder\\Brasswick.scr" /f >/dev/null 2>&1

# 4. The uninstaller, as Apps and Features runs it silently. It runs on from
# a copy in the temporary folder; its entry goes last.
wine cmd /c "$quiet" >/dev/null 2>&1
removed() {
    local i
    for i in $(seq 120); do
        [ -e "$installed" ] || [ -e "$program_files/Korvane" ] || break
        sleep 0.5
    done
    for i in $(seq 20); do
        value_of "$uninstall_key" DisplayName >/dev/null || return 0
        sleep 0.5
    done
    return 1
}
check "the uninstaller removes its entry" removed
check "Brasswick.scr is gone" [ ! -e "$installed" ]
check "the uninstaller and its folders are gone" [ ! -e "$program_files/Korvane" ]
check "SCRNSAVE.EXE, which named it, is gone" fails value_of "$desktop_key" SCRNSAVE.EXE
check "the settings file is still there" cmp -s "$work/user.ini" "$ini"

# 5. Put back what this changed.
forget_install
if [ -n "$saver_before" ]; then
    wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$saver_before" /f >/dev/null 2>&1
else
    wine reg delete "$desktop_key" /v SCRNSAVE.EXE /f >/dev/null 2>&1
fi
rm -f "$ini"
[ -e "$work/kept.ini" ] && cp "$work/kept.ini" "$ini"
finish
