#!/usr/bin/env bash
# The .scr is dropped into a Windows system alone: a 32-bit GUI program for
# subsystem version 4.0 that imports only what imports.list accounts for, and
# needs no processor newer than a Pentium Pro. Prints the oldest Windows of
# each family that has every import.
set -uo pipefail
scr=$1
list=$(dirname "$0")/imports.list
status=0
fail() { echo "$*"; status=1; }

file "$scr" | grep -q 'PE32 executable (GUI) Intel 80386' || fail "not a 32-bit GUI program: $(file -b "$scr")"
headers=$(i686-w64-mingw32-objdump -p "$scr") || exit 1
subsystem=$(awk '$1 == "MajorSubsystemVersion" {major = $2} $1 == "MinorSubsystemVersion" {minor = $2}
                 END {print major "." minor}' <<<"$headers")
[ "$subsystem" = 4.0 ] || fail "subsystem version $subsystem, which Windows 95 and NT 4.0 refuse"

# After "DLL Name: X" come lines "address hint name", one an import.
imports=$(awk '$1 == "DLL" && $2 == "Name:" {dll = toupper($3); next}
               dll != "" && NF == 3 && $2 ~ /^[0-9]+$/ {print dll "!" $3}' <<<"$headers")
[ -n "$imports" ] || fail "no imports read from $scr"

declare -A nine nt
while read -r name oldest9x oldestNt _; do
    nine[$name]=$oldest9x
    nt[$name]=$oldestNt
done < <(grep -v '^#' "$list")

rank() { local order=$1 version=$2 i=0; for v in $order; do [ "$v" = "$version" ] && { echo $i; return; }; i=$((i + 1)); done; echo 99; }
floor9x=95 floorNt=3.1
for name in $imports; do
    if [ -z "${nine[$name]:-}" ]; then
        fail "imports $name, which imports.list does not account for"
        continue
    fi
    [ "$(rank '95 98 Me' "${nine[$name]}")" -le "$(rank '95 98 Me' $floor9x)" ] || floor9x=${nine[$name]}
    [ "$(rank '3.1 3.5 4.0 2000 XP' "${nt[$name]}")" -le "$(rank '3.1 3.5 4.0 2000 XP' $floorNt)" ] || floorNt=${nt[$name]}
done
# The processor the README names, a Pentium Pro: the MinGW runtime's start-up
# code, built for it, has cmov, so no build of ours runs on a Pentium. Nothing
# newer: no MMX, SSE or later instructions, whether on their own registers or
# only on general registers and memory (BMI1/2, ADX, fxsave, ldmxcsr, fisttp,
# sysenter, rdrand, xsave and their kin).
mnemonics=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$scr" |
    awk -F'\t' '$1 ~ /^ *[0-9a-f]+:$/ && NF >= 2 {print $2}') || exit 1
[ -n "$mnemonics" ] || fail "no instructions read from $scr"
newer_registers='%[xyz]?mm[0-9]|%k[0-7]'
newer_mnemonics='emms|femms|[slm]fence|prefetch|clflush|clwb|movnti|popcnt|lzcnt|tzcnt|movbe|crc32|rdtscp|xgetbv'
newer_mnemonics+='|andn|bextr|blsi|blsmsk|blsr|bzhi|mulx|pdep|pext|rorx|sarx|shlx|shrx|adcx|adox'
newer_mnemonics+='|fxsave|fxrstor|ldmxcsr|stmxcsr|fisttp|sysenter|sysexit|syscall|sysret|rdrand|rdseed'
newer_mnemonics+='|xsave|xrstor|monitor|mwait|cmpxchg16b'
newer=$(grep -E "$newer_registers|^($newer_mnemonics)" <<<"$mnemonics" | sort -u | head -5)
[ -z "$newer" ] || fail "needs a processor newer than the Pentium Pro for: $newer"
pentium_pro=$(grep -cE '^(cmov|fcmov|fu?comi)' <<<"$mnemonics")

[ $status -eq 0 ] && echo "$pentium_pro instructions of the Pentium Pro (cmov, fcomi), none newer"
[ $status -eq 0 ] && echo "$(wc -w <<<"$imports") imports, all listed: the program loads on Windows $floor9x and Windows $floorNt or later"
exit $status
