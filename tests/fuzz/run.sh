#!/usr/bin/env bash
# Runs every fuzz target for SECONDS_PER_TARGET (default 30) on its seed corpus, from
# build/fuzz (cmake --preset fuzz && cmake --build --preset fuzz). New inputs and crash
# reproducers go to $FUZZ_OUT or a fresh temporary folder, never into the seeds.
# Exits non-zero if any target crashes or is missing.
set -u
budget=${1:-30}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=$here/../../build/fuzz/tests/fuzz
out=${FUZZ_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/pelmix-fuzz.XXXXXX")}
# Leaks are reported too: the harnesses own everything they allocate.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for target in fuzz_trace fuzz_result fuzz_format fuzz_scpi fuzz_readings; do
    work=$out/$target
    mkdir -p "$work/corpus" "$work/artifacts"
    echo "== $target: ${budget}s, log $work/log"
    # The first corpus folder receives new inputs; the seeds are only read.
    if ! "$bin/$target" -max_total_time="$budget" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" "$here/corpus/$target" >"$work/log" 2>&1; then
        echo "$target: FAILED; reproducers in $work/artifacts" >&2
        grep -E 'ERROR|invariant failed|runtime error|No such file' "$work/log" | head -5 >&2
        failed+=("$target")
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec):' "$work/log"
done
if ((${#failed[@]})); then
    echo "crashed or missing: ${failed[*]}" >&2
    exit 1
fi
echo "all targets passed"
