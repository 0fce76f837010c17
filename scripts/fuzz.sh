#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan, UBSan) and runs each for the
# given seconds (default 20) from its seed corpus in fuzz/corpus/, two at a time.
# Inputs up to 32 KB, the longest command line, so that nesting limits are reached.
# New inputs go to a temporary folder; a crash leaves its input in build/fuzz/crashes/.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLVAN_FUZZ=ON -DTOLVAN_SANITIZE=ON >/dev/null
cmake --build build/fuzz --target fuzz_mline fuzz_connectstring fuzz_text
mkdir -p build/fuzz/crashes
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
run() {
    local target=$1
    mkdir -p "$work/$target"
    build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -seed=1 -print_final_stats=1 \
        -max_len=32768 \
        -artifact_prefix=build/fuzz/crashes/"$target"- "$work/$target" fuzz/corpus/"$target" \
        >"$work/$target.log" 2>&1 || { tail -40 "$work/$target.log"; return 1; }
    echo "fuzz_$target: $(grep -E '^stat::number_of_executed_units' "$work/$target.log" | awk '{print $2}') inputs in ${seconds} s, no crash"
}
run mline & first=$!
run connectstring & second=$!
status=0
wait "$first" || status=1
wait "$second" || status=1
run text || status=1
exit "$status"
