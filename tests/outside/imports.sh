#!/usr/bin/env bash
# The .scr is dropped into a Windows system alone: it must be a 32-bit GUI
# program that imports nothing but the system's own DLLs.
set -uo pipefail
scr=$1
system_dlls='^(ADVAPI32|COMCTL32|GDI32|IMAGEHLP|KERNEL32|MSVCRT|SHELL32|SHLWAPI|USER32|WINMM)\.DLL$'
status=0
file "$scr" | grep -q 'PE32 executable (GUI) Intel 80386' || { echo "not a 32-bit GUI program: $(file -b "$scr")"; status=1; }
for dll in $(i686-w64-mingw32-objdump -p "$scr" | sed -n 's/^\s*DLL Name: //p'); do
    if [[ ${dll^^} =~ $system_dlls ]]; then
        echo "imports $dll"
    else
        echo "imports $dll, which is not part of Windows"
        status=1
    fi
done
exit $status
