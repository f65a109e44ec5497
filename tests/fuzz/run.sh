#!/usr/bin/env bash
# Runs every fuzz target for a time budget on its seed corpus.
#   tests/fuzz/run.sh [SECONDS_PER_TARGET]      (default 30)
# Builds are expected in build/fuzz (cmake --preset fuzz && cmake --build --preset fuzz).
# New inputs and crash reproducers go to a scratch directory ($FUZZ_OUT, or a fresh
# temporary one), never into the seed corpus in the repository.
# Exits non-zero if any target crashes or is missing.
set -u

budget=${1:-30}
case $budget in
'' | *[!0-9]*)
    echo "usage: $0 [seconds per target]" >&2
    exit 2
    ;;
esac

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=$root/build/fuzz/tests/fuzz
out=${FUZZ_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/pelmix-fuzz.XXXXXX")}
mkdir -p "$out"

targets=(fuzz_trace fuzz_result fuzz_format)
failed=()

# Leaks are reported too: the harnesses own everything they allocate.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

for target in "${targets[@]}"; do
    exe=$bin/$target
    if [[ ! -x $exe ]]; then
        echo "$target: not built ($exe missing)" >&2
        failed+=("$target")
        continue
    fi
    work=$out/$target
    mkdir -p "$work/corpus" "$work/artifacts"
    echo "== $target: ${budget}s, log $work/log"
    # The first corpus directory receives new inputs; the seeds are only read.
    "$exe" -max_total_time="$budget" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "$here/corpus/$target" >"$work/log" 2>&1
    status=$?
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec):' "$work/log"
    if ((status != 0)); then
        echo "$target: FAILED (exit $status); reproducers:" >&2
        ls "$work/artifacts" >&2
        grep -E 'ERROR|invariant failed|runtime error' "$work/log" | head -5 >&2
        failed+=("$target")
    fi
done

echo "== results in $out"
if ((${#failed[@]})); then
    echo "crashed: ${failed[*]}" >&2
    exit 1
fi
echo "all targets passed"
