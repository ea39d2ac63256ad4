#!/usr/bin/env bash
# Package-writing speed and memory against tar | pigz and bsdtar, in one run on the same
# inputs of 256 MiB and 1 GiB. Goals: at most 1.10 times tar | pigz -6 with as many threads,
# at most 0.6 times bsdtar -czf with two free cores, at most 1.05 times bsdtar on one core, and
# the same peak memory (within 16 MiB) for both sizes. Usage: bench/archive_throughput.sh
# [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$root/build}
tool=$build_dir/bin/archive_throughput
work=$(mktemp -d -t q5-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

best_of_three() { # command... ; prints the best wall time in seconds
    local best=
    for _ in 1 2 3; do
        local start end elapsed
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        elapsed=$(echo "$end - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$elapsed < $best" | bc -l)" = 1 ]; then best=$elapsed; fi
    done
    printf '%.3f' "$best"
}

threads=$(nproc)
declare -A peak
for mib in 256 1024; do
    input=$work/controller-$mib.dmp
    "$tool" --generate "$input" $((mib * 1024 * 1024))
    ours=$(best_of_three "$tool" "$input" "$work/ours.tar.gz")
    peak[$mib]=$("$tool" "$input" "$work/ours.tar.gz" | awk '/peak_kib/ {print $2}')
    pigz=$(best_of_three sh -c "tar -cf - -C '$work' 'controller-$mib.dmp' | pigz -6 -p $threads > '$work/pigz.tar.gz'")
    reference=$(best_of_three bsdtar -czf "$work/bsdtar.tar.gz" -C "$work" "controller-$mib.dmp")
    printf '%4d MiB, %d threads: ArchiveWriter %6.3f s, tar | pigz -6 %6.3f s (ratio %.3f, goal 1.10), bsdtar -czf %6.3f s (ratio %.3f, goal 0.6), peak %d KiB, sizes %d / %d / %d bytes\n' \
        "$mib" "$threads" "$ours" "$pigz" "$(echo "$ours / $pigz" | bc -l)" "$reference" \
        "$(echo "$ours / $reference" | bc -l)" "${peak[$mib]}" "$(stat -c %s "$work/ours.tar.gz")" \
        "$(stat -c %s "$work/pigz.tar.gz")" "$(stat -c %s "$work/bsdtar.tar.gz")"
    if [ "$mib" = 256 ]; then
        # One core: the single-threaded path against bsdtar, both bound to CPU 0.
        ours=$(best_of_three taskset -c 0 "$tool" "$input" "$work/ours.tar.gz")
        reference=$(best_of_three taskset -c 0 bsdtar -czf "$work/bsdtar.tar.gz" -C "$work" "controller-$mib.dmp")
        printf '%4d MiB, one core: ArchiveWriter %6.3f s, bsdtar -czf %6.3f s, ratio %.3f (goal 1.05)\n' \
            "$mib" "$ours" "$reference" "$(echo "$ours / $reference" | bc -l)"
    fi
    rm -f "$input"
done
printf 'peak memory difference 1024 vs 256 MiB: %d KiB (goal: at most 16384)\n' $((peak[1024] - peak[256]))
