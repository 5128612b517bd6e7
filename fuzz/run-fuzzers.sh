#!/usr/bin/env bash
# Runs each fuzzer for a bounded time on a copy of its seed corpus (the committed corpus is left
# as it is) and fails on any finding; crashing inputs are kept in fuzz/findings/.
# Usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS [FUZZER...]
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
seconds="$2"
shift 2
fuzzers=("$@")
if [ ${#fuzzers[@]} -eq 0 ]; then
    fuzzers=(fuzz_snapshot fuzz_decode fuzz_statefile fuzz_settings)
fi

# The state-file and settings fuzzers write a file per input: memory-backed storage is faster.
base="${TMPDIR:-/tmp}"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    base=/dev/shm
fi
work="$(mktemp -d "$base/pelvane-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$here/findings"

dictionary_for() {
    case "$1" in
    fuzz_snapshot) echo "$here/dict/fuzz_snapshot.dict" ;;
    fuzz_statefile | fuzz_settings) echo "$here/dict/ini.dict" ;;
    esac
}

passed=0
failed=0
for fuzzer in "${fuzzers[@]}"; do
    corpus="$work/corpus-$fuzzer"
    cp -r "$here/corpus/$fuzzer" "$corpus"
    # The emulator's compressed saves among the snapshot seeds run to 11 KB.
    max_len=8192
    [ "$fuzzer" = fuzz_snapshot ] && max_len=16384
    options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -max_len="$max_len"
        -print_final_stats=1 -artifact_prefix="$here/findings/$fuzzer-")
    dictionary="$(dictionary_for "$fuzzer")"
    if [ -n "$dictionary" ]; then
        options+=(-dict="$dictionary")
    fi
    log="$work/$fuzzer.log"
    (cd "$work" && TMPDIR="$work" "$build/$fuzzer" "${options[@]}" "$corpus") >"$log" 2>&1
    status=$?
    executions="$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")"
    if [ $status -eq 0 ]; then
        passed=$((passed + 1))
        echo "$fuzzer: ${executions:-0} executions in ${seconds} s, no finding"
    else
        failed=$((failed + 1))
        echo "$fuzzer: FINDING (exit $status) after ${executions:-?} executions; input kept in fuzz/findings/"
        grep -v '^#' "$log" | tail -n 60
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
