#!/usr/bin/env bash
# The installer, run silently in the test prefix for all users and for the
# current user: one that cannot write the file, one given a folder that users
# can write and one given a folder that is not its own (or another than the
# earlier install's) end non-zero and leave nothing; the installed saver runs; the uninstaller that the entry names
# removes all of it but the settings file and gives back the screen saver
# that was current before, unless the user has chosen another since, through
# upgrades, both modes at once and an uninstaller run by hand; a failed
# upgrade leaves the earlier install whole; on Windows Me (as Wine reports
# it), in SYSTEM.INI.
# The 32-bit tree runs the release's installer (that tests/outside/release.sh
# leaves, built here when there is none); the 64-bit twin's tree, on a kernel
# that runs no 32-bit program, runs the installer's 64-bit twin, built here
# around its Brasswick.scr, and counts the rows that only the 32-bit one can
# show as skipped. Registry values changed here are put back. Joins the test
# command's session, or starts its own. BRASSWICK_REPORT names a report file
# for the test command's tally.
# installer.sh SYSTEM_FOLDER_EXE
set -uo pipefail
system_folder_exe=$1
source "$(dirname "$0")/../harness/script.sh"
join_or_start_session "$build" >/dev/null || exit 1
source "$root/tests/outside/check.sh"
finish() {
    [ -z "${BRASSWICK_REPORT:-}" ] || write_report "$BRASSWICK_REPORT" installer
    echo "installer: ${passed} passed, ${failed} failed, ${skipped} skipped"
    [ "$failed" -eq 0 ]
    exit
}

work=$build/installer-test
rm -rf "$work"
mkdir -p "$work"
if file -b "$system_folder_exe" | grep -q "Intel 80386"; then  # the 32-bit tree
    released=$build/release-test
    ls "$released"/dist/Brasswick-*-setup.exe >/dev/null 2>&1 || "$root/tests/outside/release.sh" >/dev/null ||
        { echo "installer: no release to install"; exit 1; }
    setup=$(cd "$released/dist" && ls Brasswick-*-setup.exe)
    release_scr=$released/first/Brasswick.scr
    cp "$released/dist/$setup" "$work/"
    view=/reg:32     # what a 32-bit program writes under HKLM
    system_folder=syswow64
    program_files='Program Files (x86)'
else
    only_32bit="only the 32-bit installer shows it: $(why_no_32bit_wine)"
    release_scr=$WINDOWS_TREE/bin/Brasswick.scr
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$WINDOWS_TREE/CMakeCache.txt")
    setup=Brasswick-$version-setup.exe
    makensis -V1 -DTARGET=amd64-unicode -DVERSION="$version" -DSCR="$release_scr" -DOUTFILE="$work/$setup" \
        "$root/packaging/brasswick.nsi" || { echo "installer: the 64-bit twin did not build"; exit 1; }
    view=/reg:64
    system_folder=system32
    program_files='Program Files'
fi
version=${setup#Brasswick-}
version=${version%-setup.exe}

# 1. The prefix as this test found it, put back at the end.
reg() { wine reg "$@"; }
all_users_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick'
current_user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick'
desktop_key='HKCU\Control Panel\Desktop'
renames_key='HKLM\System\CurrentControlSet\Control\Session Manager'
value_of() {  # value_of KEY NAME: the data, or nothing (status 1) when absent
    reg query "$1" /v "$2" "$view" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | grep .
}
unix_path() {  # C:\a\b: the prefix's file
    local path=${1//\\//}
    echo "$WINEPREFIX/dosdevices/${path,}"
}
set_saver() { reg add "$desktop_key" /v SCRNSAVE.EXE /d "$1" /f >/dev/null 2>&1; }
no_saver() { reg delete "$desktop_key" /v SCRNSAVE.EXE /f >/dev/null 2>&1; }
saver_is() { [ "$(value_of "$desktop_key" SCRNSAVE.EXE)" = "$1" ]; }
saver_is_none() { ! value_of "$desktop_key" SCRNSAVE.EXE >/dev/null; }
saver_before=$(value_of "$desktop_key" SCRNSAVE.EXE)
renames_before=$(value_of "$renames_key" PendingFileRenameOperations)
keep_saver_ini
ini=$SAVER_INI
write_saver_ini 420 3 6 9 17 33 65
cp "$ini" "$work/user.ini"
installed=$WINEPREFIX/drive_c/windows/$system_folder/Brasswick.scr
all_users_folder=$WINEPREFIX/drive_c/$program_files/Korvane
profile=$WINEPREFIX/drive_c/users/$(id -un)
user_programs=$profile/AppData/Local/Programs
user_folder=$user_programs/Brasswick
outside=$WINEPREFIX/drive_c/Brasswick
forget_install() {  # also what a crashed run may have left
    reg delete "$all_users_key" "$view" /f >/dev/null 2>&1
    reg delete "$current_user_key" /f >/dev/null 2>&1
    reg delete 'HKCU\Software\Korvane' /f >/dev/null 2>&1
    reg delete 'HKLM\Software\Korvane' "$view" /f >/dev/null 2>&1
    rm -rf "$installed" "$all_users_folder" "$user_folder" "$outside" "$profile/Temp/"~nsu*.tmp
}
forget_install

install() { wine "$work/$setup" /S "$@" >/dev/null 2>&1; }
fails() { ! "$@"; }
nothing_installed() {
    [ ! -f "$installed" ] && [ ! -e "$all_users_folder" ] && [ ! -e "$outside" ] && [ ! -e "$user_folder" ] &&
        ! value_of "$all_users_key" DisplayName >/dev/null && ! value_of "$current_user_key" DisplayName >/dev/null
}

# 2. Runs that must not install: a folder stands where the file goes (as a
# running saver would); a folder that users can write, for all users; a
# folder that is there already, for all users, and one holding another
# program's uninstall.exe, which stays.
mkdir "$installed"
check "an install that cannot write Brasswick.scr ends non-zero" fails install /AllUsers
check "and leaves no uninstaller, no uninstall entry" nothing_installed
rmdir "$installed"
check "an install for all users into C:\\Brasswick is refused" fails install /AllUsers '/D=C:\Brasswick'
check "and installs nothing" nothing_installed
mkdir -p "$all_users_folder/Brasswick"
check "an install for all users into a folder that is there already is refused" fails install /AllUsers
rm -rf "$all_users_folder"
mkdir -p "$outside"
echo "another program's" >"$outside/uninstall.exe"
refused_beside_foreign() {
    fails install /CurrentUser '/D=C:\Brasswick' && grep -qx "another program's" "$outside/uninstall.exe" &&
        [ ! -e "$outside/Brasswick.scr" ] && ! value_of "$current_user_key" DisplayName >/dev/null
}
check "an install into a folder holding another program's uninstall.exe is refused, the file kept" \
    refused_beside_foreign
rm -rf "$outside"

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
run_uninstaller() {  # run_uninstaller KEY FOLDER COMMAND...: ends once FOLDER and the entry are gone
    local key=$1 folder=$2
    shift 2
    wine "$@" >/dev/null 2>&1
    entry_gone() { ! value_of "$key" DisplayName >/dev/null; }
    wait_until 600 test ! -e "$folder" && wait_until 30 entry_gone
}
uninstall() {  # uninstall KEY FOLDER: as the entry's QuietUninstallString says
    local quiet program
    quiet=$(value_of "$1" QuietUninstallString)
    program=$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$quiet")
    run_uninstaller "$1" "$2" "$program" ${quiet#\"$program\"}
}

# 3. For all users, over a screen saver the user had.
previous='C:\windows\system32\previous.scr'
set_saver "$previous"
check "the installer for all users ends with 0" install /AllUsers
folder=$(wine "$system_folder_exe" Brasswick.scr | tr -d '\r')
found=$?
check "Brasswick.scr is in ${folder:-the system folder}, as a program of its kind sees it" [ "$found" = 0 ]
current=$(value_of "$desktop_key" SCRNSAVE.EXE)
all_users_scr=$current
check "SCRNSAVE.EXE ($current) names the built file" cmp -s "$release_scr" "$(unix_path "$current")"
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
# Windows may store the 8.3 form; installed again over that, Brasswick's
# own path must not become "the saver it replaced".
short_name=$(wine cmd /c dir /x "C:\\windows\\$system_folder\\Brasswick.scr" | tr -d '\r' |
    awk '$NF == "Brasswick.scr" && NF >= 6 {print $(NF - 1)}')
set_saver "C:\\windows\\$system_folder\\$short_name"
check "installed again over its own 8.3 path ($short_name), it ends with 0" install /AllUsers
check "the uninstaller removes Brasswick.scr, its folders and its entry" uninstall "$all_users_key" "$all_users_folder"
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
check "SCRNSAVE.EXE ($current) names the built file in ${folder:-its folder}" \
    cmp -s "$release_scr" "$(unix_path "$folder")/Brasswick.scr"
check "it is in the user's programs folder" [ "$(unix_path "$folder")" -ef "$user_folder" ]
written_outside() {
    find "$WINEPREFIX/drive_c" -path "$profile" -prune -o -newer "$work/marker" -print | grep . ||
        value_of "$all_users_key" DisplayName
}
check "nothing is written on drive C outside the profile, nor an entry under HKLM" fails written_outside
asks_no_elevation() { grep -aq 'requestedExecutionLevel level="asInvoker"' "$user_folder/uninstall.exe"; }
check "its uninstaller's manifest asks for no elevation" asks_no_elevation
check "the installed saver shows its window and a key ends it with 0" saver_shown "$current"
set_saver 'C:\windows\system32\chosen.scr'
check "the uninstaller removes its folder and its entry" uninstall "$current_user_key" "$user_folder"
check "the screen saver chosen since stays" saver_is 'C:\windows\system32\chosen.scr'
check "the profile is as it was, the settings file kept" diff "$work/profile-before" <(profile_files)
check "the settings file is unchanged" cmp -s "$work/user.ini" "$ini"
no_saver
none_again() {
    install /CurrentUser && uninstall "$current_user_key" "$user_folder" && saver_is_none
}
check "with no screen saver before it, none is current once it is removed" none_again
removed_by_hand() {
    install /CurrentUser && rm "$user_folder/Brasswick.scr" && no_saver &&
        uninstall "$current_user_key" "$user_folder" && saver_is_none
}
check "Brasswick.scr removed by hand and the saver set to none: none stays after the uninstall" removed_by_hand

# 5. Both modes at once, removed in either order: the saver the user had
# comes back, and the setting never names a file that is gone.
names_no_lost_file() {
    local current
    current=$(value_of "$desktop_key" SCRNSAVE.EXE) || return 0
    [ "$current" = "$previous" ] || [ -e "$(unix_path "$current")" ]
}
both_then() {  # both_then FIRST SECOND: keys and folders in the order removed
    set_saver "$previous"
    install /AllUsers && install /CurrentUser && uninstall "$1" "$2" && names_no_lost_file &&
        uninstall "$3" "$4" && saver_is "$previous"
}
check "for all users, then for the user: removed in that order, the saver the user had is current" \
    both_then "$all_users_key" "$all_users_folder" "$current_user_key" "$user_folder"
check "the same, removed the other way round" \
    both_then "$current_user_key" "$user_folder" "$all_users_key" "$all_users_folder"
# Run by hand, without its switch, the per-user uninstaller takes its mode
# from where it lies.
by_hand() {
    set_saver "$previous"
    install /AllUsers && install /CurrentUser &&
        run_uninstaller "$current_user_key" "$user_folder" "$user_folder/uninstall.exe" /S
}
check "the user's uninstall.exe run with no switch removes that install" by_hand
all_users_whole() {
    cmp -s "$release_scr" "$installed" && [ -f "$all_users_folder/Brasswick/uninstall.exe" ] &&
        value_of "$all_users_key" DisplayName >/dev/null
}
check "and the install for all users stays whole" all_users_whole
check "which its own uninstaller then removes" uninstall "$all_users_key" "$all_users_folder"
check "giving back the saver the user had" saver_is "$previous"

# 6. An upgrade while the saver runs cannot replace the file, and one into
# another folder would leave the earlier files behind: both fail, and the
# earlier install is as it was.
install /CurrentUser
entry_values() { reg query "$current_user_key" | tr -d '\r' | sort; }
entry_values >"$work/entry-before"
moved_refused() { fails install /CurrentUser '/D=C:\Brasswick' && [ ! -e "$outside" ]; }
check "an install for the user into another folder than the earlier one's is refused" moved_refused
in_background wine "$user_folder/Brasswick.scr" /s >/dev/null 2>&1
SAVER_PID=$BACKGROUND_PID
wait_until 60 window_shown
check "an upgrade while Brasswick.scr runs ends non-zero" fails install /CurrentUser
end_saver_with_key 60 >/dev/null
earlier_whole() {
    entry_values | cmp -s "$work/entry-before" - && grep -q DisplayName "$work/entry-before" &&
        cmp -s "$release_scr" "$user_folder/Brasswick.scr" && [ -f "$user_folder/uninstall.exe" ]
}
check "and leaves the earlier install's files and entry as they were" earlier_whole
check "which still runs" saver_shown "$(value_of "$desktop_key" SCRNSAVE.EXE)"
check "and is removed by its uninstaller" uninstall "$current_user_key" "$user_folder"

# 7. What only the 32-bit installer shows: its stub, and Windows Me, which
# keeps its screen saver in [boot] of SYSTEM.INI. Wine reports Me to the
# installer and to its uninstaller (which runs on from a copy, Un.exe).
me_rows=("the installer on Windows Me ends with 0" "SYSTEM.INI names Brasswick.scr"
         "the registry's SCRNSAVE.EXE is left alone" "the saver it replaced is kept for the machine, as SYSTEM.INI is"
         "the uninstaller on Windows Me removes Brasswick.scr"
         "SYSTEM.INI names the screen saver Me had again")
stub_row="the installer is a subsystem 4.0 program, as Windows 95 and NT 4.0 load"
if [ -n "${only_32bit:-}" ]; then
    skip "$stub_row" "$only_32bit"
    for row in "${me_rows[@]}"; do skip "$row" "$only_32bit"; done
else
    subsystem_4() { i686-w64-mingw32-objdump -p "$work/$setup" | grep -Eq '^MajorSubsystemVersion[[:space:]]+4$'; }
    check "$stub_row" subsystem_4
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
    check "${me_rows[0]}" install
    check "${me_rows[1]}" boot_saver_is "$all_users_scr"
    check "${me_rows[2]}" saver_is "$registry_saver"
    kept_for_machine() {
        [ "$(value_of 'HKLM\Software\Korvane\Brasswick' PreviousScreenSaverAllUsers)" = 'C:\WINDOWS\SYSTEM\PREVIOUS.SCR' ]
    }
    check "${me_rows[3]}" kept_for_machine
    check "${me_rows[4]}" uninstall "$all_users_key" "$all_users_folder"
    check "${me_rows[5]}" boot_saver_is 'C:\WINDOWS\SYSTEM\PREVIOUS.SCR'
    cp "$work/system.ini" "$system_ini"
    for program in "${me_programs[@]}"; do
        reg delete "$app_defaults\\$program" /f >/dev/null 2>&1
    done
fi

# 8. Put back what this changed.
forget_install
if [ -n "$saver_before" ]; then
    set_saver "$saver_before"
else
    no_saver
fi
# An uninstaller's copy may have asked to be deleted at the next start.
[ -n "$renames_before" ] || reg delete "$renames_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
finish
