#!/usr/bin/env bash
# Builds the benchmarks, runs each of them three times, and prints the median of every
# figure with its reference, the ratio, and whether the target is met; then the
# installed size. Needs no display: everything runs on the offscreen platform.
#
#   bench/run.sh [BUILD_DIR]    default: build/default of this checkout
#   RUNS=5 bench/run.sh         more runs per benchmark (the median is taken over them)
#
# A benchmark never fails because the machine is slow: the script fails only when a
# benchmark cannot run at all.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build/default}
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
runs=${RUNS:-3}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

benchmarks=(exchange cycle cli startup trace analysis charts metrics)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if grep -q '^PELMIX_BUILD_BENCH:BOOL=OFF' "$build/CMakeCache.txt"; then
    echo "run.sh: $build is configured with PELMIX_BUILD_BENCH=OFF" >&2
    exit 2
fi
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
case "$build_type" in
Release | RelWithDebInfo) ;;
*) echo "run.sh: warning: $build is a ${build_type:-default} build; figures mean little" >&2 ;;
esac

cmake --build "$build" --target "${benchmarks[@]/#/bench_}" pelmix pelmix-cli pelmix-sim

logs=$(mktemp -d "${TMPDIR:-/tmp}/pelmix-bench-XXXXXX")

echo
echo "Machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
    "Linux $(uname -r); build $build ($build_type)"
echo "Logs: $logs"

for name in "${benchmarks[@]}"; do
    for ((run = 1; run <= runs; run++)); do
        printf 'bench_%s run %d of %d ... ' "$name" "$run" "$runs"
        "$build/bench/bench_$name" >"$logs/$name.$run.txt" 2>"$logs/$name.$run.err" || {
            echo "failed"
            cat "$logs/$name.$run.err" >&2
            exit 1
        }
        echo "done"
    done
    echo
    echo "----- bench_$name, run $runs of $runs -----"
    grep -v '^FIGURE' "$logs/$name.$runs.txt"
    echo
done

# Installed size, as installed and with the binaries stripped of their debugging data.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/pelmix-install-XXXXXX")
cmake --install "$build" --prefix "$prefix/plain" >/dev/null
cmake --install "$build" --prefix "$prefix/stripped" --strip >/dev/null
plain=$(du -sb "$prefix/plain" | cut -f1)
stripped=$(du -sb "$prefix/stripped" | cut -f1)
rm -rf "$prefix"
printf 'FIGURE\tinstall.size\t%s\tKiB\t-\t-\tnone\t<\t0\tinstalled size (cmake --install)\n' \
    "$(awk -v b="$plain" 'BEGIN { printf "%.1f", b / 1024 }')" >"$logs/install.txt"
printf 'FIGURE\tinstall.size.stripped\t%s\tKiB\t-\t-\tnone\t<\t0\tinstalled size, stripped (--strip)\n' \
    "$(awk -v b="$stripped" 'BEGIN { printf "%.1f", b / 1024 }')" >>"$logs/install.txt"
echo "----- installed size -----"
echo "  cmake --install: $plain bytes ($((plain / 1024)) KiB); with --strip: $stripped bytes ($((stripped / 1024)) KiB)"

echo
echo "===== Summary: median of $runs runs (installed size: one measurement) ====="
for name in "${benchmarks[@]}" install; do cat "$logs/$name".*txt; done | grep '^FIGURE' | awk -F'\t' '
function number(x) { return sprintf(x >= 1000 ? "%.1f" : "%.4f", x) }
function median(list,    n, a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; j--) {
            t = a[j]; a[j] = a[j - 1]; a[j - 1] = t
        }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
{
    id = $2
    if (!(id in unit)) {
        order[++count] = id
        unit[id] = $4; reflabel[id] = $6; kind[id] = $7; op[id] = $8; bound[id] = $9
        label[id] = $10
    }
    values[id] = values[id] " " $3
    if ($5 != "-")
        refs[id] = refs[id] " " $5
}
END {
    printf "%-32s %-34s %14s %-5s %14s %9s  %-14s %s\n", "figure", "what", "median", "unit",
        "reference", "ratio", "target", "met"
    for (k = 1; k <= count; k++) {
        id = order[k]
        v = median(values[id])
        r = (id in refs) ? median(refs[id]) : ""
        ratio = (r != "" && r + 0 != 0) ? v / r : ""
        target = "-"; met = "-"
        if (kind[id] == "value" || kind[id] == "ratio") {
            x = kind[id] == "value" ? v : ratio
            target = kind[id] " " op[id] " " bound[id]
            ok = op[id] == "<=" ? (x + 0 <= bound[id] + 0) : (x + 0 < bound[id] + 0)
            met = ok ? "yes" : "NO"
        }
        printf "%-32s %-34s %14s %-5s %14s %9s  %-14s %s\n", id, substr(label[id], 1, 34),
            number(v), unit[id], r == "" ? "-" : number(r), ratio == "" ? "-" : sprintf("%.4f", ratio),
            target, met
    }
}'
echo
echo "reference: exchange = the busy-polling wait; cycle = the line floor; trace = the empty trace"
