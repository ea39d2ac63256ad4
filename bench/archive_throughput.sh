#!/usr/bin/env bash
# Package-writing speed and memory against bsdtar, in one run on the same inputs.
# Goal: our time / bsdtar's at most 1.10; our peak memory the same (within 8 MiB) for 64 MiB
# and 256 MiB inputs. Usage: bench/archive_throughput.sh [build dir]
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

declare -A peak
for mib in 64 256; do
    input=$work/controller-$mib.dmp
    "$tool" --generate "$input" $((mib * 1024 * 1024))
    ours=$(best_of_three "$tool" "$input" "$work/ours.tar.gz")
    peak[$mib]=$("$tool" "$input" "$work/ours.tar.gz" | awk '/peak_kib/ {print $2}')
    reference=$(best_of_three bsdtar -czf "$work/bsdtar.tar.gz" -C "$work" "controller-$mib.dmp")
    ratio=$(echo "$ours / $reference" | bc -l)
    printf '%4d MiB: FileArchive %6.3f s, bsdtar -czf %6.3f s, ratio %.3f, peak memory %d KiB, sizes %d / %d bytes\n' \
        "$mib" "$ours" "$reference" "$ratio" "${peak[$mib]}" \
        "$(stat -c %s "$work/ours.tar.gz")" "$(stat -c %s "$work/bsdtar.tar.gz")"
    rm -f "$input"
done
printf 'peak memory difference 256 vs 64 MiB: %d KiB (goal: at most 8192)\n' $((peak[256] - peak[64]))
