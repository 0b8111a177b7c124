#!/usr/bin/env bash
# The release's installer, run silently in the test prefix for all users and
# for the current user: one that cannot write the file and one given a folder
# that users can write end non-zero and leave nothing; the installed saver
# runs; the uninstaller that the entry names removes all of it but the
# settings file and gives back the screen saver that was current before,
# unless the user has chosen another since; on Windows Me (as Wine reports
# it), in SYSTEM.INI.
# Uses the release that tests/outside/release.sh leaves (built here when there
# is none). Registry values changed here are put back. Joins the test
# command's session, or starts its own.
# installer.sh SYSTEM_FOLDER_EXE
set -uo pipefail
system_folder_exe=$1
source "$(dirname "$0")/../harness/script.sh"
join_or_start_session "$build" >/dev/null || exit 1
require_32bit_wine installer.sh

released=$build/release-test
ls "$released"/dist/Brasswick-*-setup.exe >/dev/null 2>&1 || "$root/tests/outside/release.sh" >/dev/null ||
    { echo "installer: no release to install"; exit 1; }
setup=$(cd "$released/dist" && ls Brasswick-*-setup.exe)
version=${setup#Brasswick-}
version=${version%-setup.exe}
release_scr=$released/first/Brasswick.scr
work=$build/installer-test
rm -rf "$work"
mkdir -p "$work"
cp "$released/dist/$setup" "$work/"
source "$root/tests/outside/check.sh"
finish() {
    echo "installer: ${passed} passed, ${failed} failed"
    [ "$failed" -eq 0 ]
    exit
}

# 1. The prefix as this test found it, put back at the end.
reg() { wine reg "$@"; }
all_users_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick'
current_user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick'
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
set_saver() { reg add "$desktop_key" /v SCRNSAVE.EXE /d "$1" /f >/dev/null 2>&1; }
saver_is() { [ "$(value_of "$desktop_key" SCRNSAVE.EXE)" = "$1" ]; }
saver_before=$(value_of "$desktop_key" SCRNSAVE.EXE)
renames_before=$(value_of "$renames_key" PendingFileRenameOperations)
keep_saver_ini
ini=$SAVER_INI
write_saver_ini 420 3 6 9 17 33 65
cp "$ini" "$work/user.ini"
# Where a 32-bit system folder is on disk in a 64-bit prefix.
installed=$WINEPREFIX/drive_c/windows/syswow64/Brasswick.scr
program_files=$WINEPREFIX/drive_c/Program\ Files\ \(x86\)
profile=$WINEPREFIX/drive_c/users/$(id -un)
user_programs=$profile/AppData/Local/Programs
outside=$WINEPREFIX/drive_c/Brasswick
forget_install() {  # also what a crashed run may have left
    reg delete "$all_users_key" /reg:32 /f >/dev/null 2>&1
    reg delete "$current_user_key" /f >/dev/null 2>&1
    reg delete 'HKCU\Software\Korvane' /f >/dev/null 2>&1
    rm -rf "$installed" "$program_files/Korvane" "$user_programs/Brasswick" "$outside" "$profile/Temp/"~nsu*.tmp
}
forget_install

install() { wine "$work/$setup" /S "$@" >/dev/null 2>&1; }
fails() { ! "$@"; }
nothing_installed() {
    [ ! -f "$installed" ] && [ ! -e "$program_files/Korvane" ] && [ ! -e "$outside" ] &&
        ! value_of "$all_users_key" DisplayName >/dev/null
}

# 2. Runs that must not install: a folder stands where the file goes (as a
# running saver would), after the uninstaller is written; a folder that
# users can write, for all users.
mkdir "$installed"
check "an install that cannot write Brasswick.scr ends non-zero" fails install /AllUsers
check "and leaves no uninstaller, no uninstall entry" nothing_installed
rmdir "$installed"
check "an install for all users into C:\\Brasswick is refused" fails install /AllUsers '/D=C:\Brasswick'
check "and installs nothing" nothing_installed

# The installed saver, as Windows starts it, and its uninstaller as Apps and
# Features runs it silently: the program in quotes, then its switches. It may
# run on from a copy in the temporary folder; its entry goes last.
window_shown() { xdotool search --name '^Screen Saver$' >/dev/null 2>&1; }
saver_shown() {
    in_background wine "$1" /s >/dev/null 2>&1
    SAVER_PID=$BACKGROUND_PID
    shown_or_ended() { window_shown || saver_ended; }
    wait_until 600 shown_or_ended && window_shown || return 1
    sleep 2
    end_saver_with_key 60
}
uninstall() {  # uninstall KEY FOLDER: ends once FOLDER and the entry are gone
    local quiet program
    quiet=$(value_of "$1" QuietUninstallString)
    program=$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")
    wine "$program" ${quiet#\"$program\"} >/dev/null 2>&1
    entry_gone() { ! value_of "$1" DisplayName >/dev/null; }
    wait_until 600 test ! -e "$2" && wait_until 30 entry_gone "$1"
}

# 3. For all users, over a screen saver the user had.
previous='C:\windows\system32\previous.scr'
set_saver "$previous"
check "the installer for all users ends with 0" install /AllUsers
folder=$(wine "$system_folder_exe" Brasswick.scr | tr -d '\r')
found=$?
check "Brasswick.scr is in ${folder:-the system folder}, as a 32-bit program sees it" [ "$found" = 0 ]
current=$(value_of "$desktop_key" SCRNSAVE.EXE)
all_users_scr=$current
check "SCRNSAVE.EXE ($current) names the released file" cmp -s "$release_scr" "$(unix_path "$current")"
entry_has() { [ "$(value_of "$all_users_key" "$1")" = "$2" ]; }
for expected in DisplayName=Brasswick "DisplayVersion=$version" Publisher=Korvane "DisplayIcon=$current,0" \
                NoModify=0x1 NoRepair=0x1; do
    check "the uninstall entry's ${expected%%=*}" entry_has "${expected%%=*}" "${expected#*=}"
done
size=$(value_of "$all_users_key" EstimatedSize)
check "the uninstall entry's EstimatedSize (kB)" [ $((size)) -ge $(($(stat -c %s "$release_scr") / 1024)) ]
uninstall_string=$(value_of "$all_users_key" UninstallString)
quiet=$(value_of "$all_users_key" QuietUninstallString)
quiet_is_silent() { [[ $uninstall_string == *' /AllUsers' ]] && [ "$quiet" = "$uninstall_string /S" ]; }
check "the uninstall entry's UninstallString and QuietUninstallString" quiet_is_silent
check "the installed saver shows its window and a key ends it with 0" saver_shown "$current"
check "the uninstaller removes Brasswick.scr, its folders and its entry" \
    uninstall "$all_users_key" "$program_files/Korvane"
check "Brasswick.scr is gone" [ ! -e "$installed" ]
check "the screen saver the user had is current again" saver_is "$previous"

# 4. For the current user: nothing outside the profile and HKCU, and the
# profile as it was once removed, though the user has chosen another saver.
profile_files() { find "$profile" -path "$profile/Temp" -prune -o -printf '%P %s\n' | sort; }
# A fresh profile has no programs folder: the install makes it, and must take it away.
rmdir "$user_programs" 2>/dev/null
profile_files >"$work/profile-before"
touch "$work/marker"
check "the installer for the current user ends with 0" install /CurrentUser
folder=$(value_of "$current_user_key" InstallLocation)
current=$(value_of "$desktop_key" SCRNSAVE.EXE)
check "SCRNSAVE.EXE ($current) names the released file in ${folder:-its folder}" \
    cmp -s "$release_scr" "$(unix_path "$folder")/Brasswick.scr"
check "it is in the user's programs folder" [ "$(unix_path "$folder")" -ef "$user_programs/Brasswick" ]
written_outside() {
    find "$WINEPREFIX/drive_c" -path "$profile" -prune -o -newer "$work/marker" -print | grep . ||
        value_of "$all_users_key" DisplayName
}
check "nothing is written on drive C outside the profile, nor an entry under HKLM" fails written_outside
check "the installed saver shows its window and a key ends it with 0" saver_shown "$current"
set_saver 'C:\windows\system32\chosen.scr'
check "the uninstaller removes its folder and its entry" uninstall "$current_user_key" "$user_programs/Brasswick"
check "the screen saver chosen since stays" saver_is 'C:\windows\system32\chosen.scr'
check "the profile is as it was, the settings file kept" diff "$work/profile-before" <(profile_files)
check "the settings file is unchanged" cmp -s "$work/user.ini" "$ini"
reg delete "$desktop_key" /v SCRNSAVE.EXE /f >/dev/null 2>&1
none_again() {
    install /CurrentUser && uninstall "$current_user_key" "$user_programs/Brasswick" &&
        fails value_of "$desktop_key" SCRNSAVE.EXE
}
check "with no screen saver before it, none is current once it is removed" none_again

# 5. Windows Me keeps its screen saver in [boot] of SYSTEM.INI: Wine reports
# Me to the installer and to its uninstaller (which runs on from a copy,
# Un.exe).
system_ini=$WINEPREFIX/drive_c/windows/system.ini
cp "$system_ini" "$work/system.ini"
me_programs=("$setup" uninstall.exe Un.exe)
app_defaults='HKCU\Software\Wine\AppDefaults'
for program in "${me_programs[@]}"; do
    reg add "$app_defaults\\$program" /v Version /d winme /f >/dev/null 2>&1
done
boot_saver_is() {
    [ "$(tr -d '\r' <"$system_ini" | awk '/^\[/ {boot = tolower($0) == "[boot]"}
        boot && toupper($0) ~ /^SCRNSAVE\.EXE=/ {print substr($0, 14)}')" = "$1" ]
}
printf '[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\SYSTEM\\PREVIOUS.SCR\r\n' >>"$system_ini"
registry_saver=$(value_of "$desktop_key" SCRNSAVE.EXE)
check "the installer on Windows Me ends with 0" install
check "SYSTEM.INI names Brasswick.scr" boot_saver_is "$all_users_scr"
check "the registry's SCRNSAVE.EXE is left alone" saver_is "$registry_saver"
check "the uninstaller on Windows Me removes Brasswick.scr" uninstall "$all_users_key" "$program_files/Korvane"
check "SYSTEM.INI names the screen saver Me had again" boot_saver_is 'C:\WINDOWS\SYSTEM\PREVIOUS.SCR'
cp "$work/system.ini" "$system_ini"
for program in "${me_programs[@]}"; do
    reg delete "$app_defaults\\$program" /f >/dev/null 2>&1
done

# 6. Put back what this changed.
forget_install
if [ -n "$saver_before" ]; then
    set_saver "$saver_before"
else
    reg delete "$desktop_key" /v SCRNSAVE.EXE /f >/dev/null 2>&1
fi
# An uninstaller's copy may have asked to be deleted at the next start.
[ -n "$renames_before" ] || reg delete "$renames_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
finish
