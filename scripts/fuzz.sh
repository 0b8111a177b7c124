#!/usr/bin/env bash
# Runs the libFuzzer targets (ASan and UBSan on) for --runs N executions each
# (default 1,000,000), from the committed seeds: scripts/fuzz.sh [--runs N] [NAME...]
# Names: command_line, setting_text, threshold_order (default: all).
set -euo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options --words runs=1000000 -- "$@"
names=("${WORDS[@]}")
[ ${#names[@]} -gt 0 ] || names=(command_line setting_text threshold_order)

prepare_build fuzz >/dev/null
for name in "${names[@]}"; do
    corpus=$build/fuzz/corpus/$name
    mkdir -p "$corpus"
    echo "== $name: $runs executions"
    (cd "$build/fuzz" && "./tests/${name}_fuzz" -runs="$runs" -print_final_stats=1 "$corpus" \
        "$root/tests/fuzz/corpus/$name" 2>&1 | grep -E '^(Done|stat::number_of_executed_units|==.*ERROR|SUMMARY)')
done
