#!/usr/bin/env bash
# What a Windows user downloads, installed and removed for real: the release
# is built twice (the same bytes each time) and checked against its sums;
# its installer runs silently in the test prefix (after one that cannot
# write the file, which must end non-zero and leave nothing), the installed
# saver runs, and the uninstaller that the uninstall entry names removes all
# of it but the settings file.
# Registry values changed here are put back. Joins the test command's
# session, or starts its own.
# installer.sh SYSTEM_FOLDER_EXE, or installer.sh --release-only: the first
# part alone, which needs no Wine.
set -uo pipefail
system_folder_exe=$1
source "$(dirname "$0")/../harness/script.sh"
if [ "$system_folder_exe" != --release-only ]; then
    join_or_start_session "$build" >/dev/null || exit 1
    require_32bit_wine installer.sh
fi

work=$build/installer-test
rm -rf "$work"
mkdir -p "$work"
export BRASSWICK_DIST=$work/dist
dist=$BRASSWICK_DIST
source "$root/tests/outside/check.sh"
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
check "the Linux package is the same bytes both times" same_bytes "$(cd "$dist" && ls brasswick_*.deb)" "$dist"
check "SHA256SUMS checks" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
check "the released Brasswick.scr is the one the other tests ran" \
    cmp -s "$work/first/Brasswick.scr" "$build/windows/bin/Brasswick.scr"
cp "$dist/$setup" "$work/"
release_scr=$work/first/Brasswick.scr
[ "$system_folder_exe" != --release-only ] || finish

# 2. The prefix as this test found it, put back at the end.
reg() { wine reg "$@"; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick'
desktop_key='HKCU\Control Panel\Desktop'
renames_key='HKLM\System\CurrentControlSet\Control\Session Manager'
value_of() {  # value_of KEY NAME: the data, or nothing (status 1) when absent
    reg query "$1" /v "$2" /reg:32 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | grep .
}
unix_path() {  # C:\a\b: the prefix's file
    local path=${1//\\//}
    echo "$WINEPREFIX/dosdevices/${path,}"
}
saver_before=$(value_of "$desktop_key" SCRNSAVE.EXE)
renames_before=$(value_of "$renames_key" PendingFileRenameOperations)
keep_saver_ini
ini=$SAVER_INI
write_saver_ini 420 3 6 9 17 33 65
cp "$ini" "$work/user.ini"
# Where a 32-bit system folder is on disk in a 64-bit prefix.
installed=$WINEPREFIX/drive_c/windows/syswow64/Brasswick.scr
program_files=$WINEPREFIX/drive_c/Program\ Files\ \(x86\)
forget_install() {  # also what a crashed run may have left
    reg delete "$uninstall_key" /reg:32 /f >/dev/null 2>&1
    rm -rf "$installed" "$program_files/Korvane" "$WINEPREFIX/drive_c/users/$(id -un)/Temp/"~nsu*.tmp
}
forget_install

# 3. An install that cannot write the file (a folder stands in its way, as
# a running saver would): reported by its code, nothing left half done.
install() { wine "$work/$setup" /S "$@" >/dev/null 2>&1; }
fails() { ! "$@"; }
mkdir "$installed"
check "an install that cannot write Brasswick.scr ends non-zero" fails install
check "and leaves no uninstall entry" fails value_of "$uninstall_key" DisplayName
rmdir "$installed"

# 4. The silent install.
check "the installer ends with 0" install
folder=$(wine "$system_folder_exe" Brasswick.scr | tr -d '\r')
found=$?
check "Brasswick.scr is in ${folder:-the system folder}, as a 32-bit program sees it" [ "$found" = 0 ]
current=$(value_of "$desktop_key" SCRNSAVE.EXE)
check "SCRNSAVE.EXE ($current) names the released file" cmp -s "$release_scr" "$(unix_path "$current")"
entry_has() { [ "$(value_of "$uninstall_key" "$1")" = "$2" ]; }
check "the uninstall entry's DisplayName" entry_has DisplayName Brasswick
check "the uninstall entry's DisplayVersion" entry_has DisplayVersion "$version"
check "the uninstall entry's Publisher" entry_has Publisher Korvane
check "the uninstall entry's DisplayIcon" entry_has DisplayIcon "$current,0"
check "the uninstall entry's NoModify" entry_has NoModify 0x1
check "the uninstall entry's NoRepair" entry_has NoRepair 0x1
size=$(value_of "$uninstall_key" EstimatedSize)
check "the uninstall entry's EstimatedSize (kB)" [ $((size)) -ge $(($(stat -c %s "$release_scr") / 1024)) ]
uninstall=$(value_of "$uninstall_key" UninstallString)
quiet=$(value_of "$uninstall_key" QuietUninstallString)
quiet_is_silent() { [ -n "$uninstall" ] && [ "$quiet" = "$uninstall /S" ]; }
check "the uninstall entry's UninstallString and QuietUninstallString" quiet_is_silent

# 5. The installed saver, as Windows starts it.
in_background wine "$current" /s >/dev/null 2>&1
saver=$BACKGROUND_PID
SAVER_PID=$saver
window_shown() { xdotool search --name '^Screen Saver$' >/dev/null 2>&1; }
shown_or_ended() { window_shown || ! kill -0 "$saver" 2>/dev/null; }
shown() { wait_until 600 shown_or_ended && window_shown; }
check "the installed saver shows its window" shown
key_ends_with_zero() {
    sleep 2
    end_saver_with_key 60
}
check "a key ends the installed saver with 0" key_ends_with_zero

# 6. The uninstaller, as Apps and Features runs it silently: the program in
# quotes, then its switches. It may run on from a copy in the temporary
# folder; its entry goes last.
program=$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")
wine "$program" ${quiet#\"$program\"} >/dev/null 2>&1
files_gone() { [ ! -e "$installed" ] && [ ! -e "$program_files/Korvane" ]; }
entry_gone() { ! value_of "$uninstall_key" DisplayName >/dev/null; }
removed() { wait_until 600 files_gone; wait_until 30 entry_gone; }
check "the uninstaller removes its entry" removed
check "Brasswick.scr is gone" [ ! -e "$installed" ]
check "the uninstaller and its folders are gone" [ ! -e "$program_files/Korvane" ]
check "SCRNSAVE.EXE, which named it, is gone" fails value_of "$desktop_key" SCRNSAVE.EXE
check "the settings file is still there" cmp -s "$work/user.ini" "$ini"

# 7. Put back what this changed.
forget_install
if [ -n "$saver_before" ]; then
    reg add "$desktop_key" /v SCRNSAVE.EXE /d "$saver_before" /f >/dev/null 2>&1
else
    reg delete "$desktop_key" /v SCRNSAVE.EXE /f >/dev/null 2>&1
fi
# An uninstaller's copy may have asked to be deleted at the next start.
[ -n "$renames_before" ] || reg delete "$renames_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
finish
