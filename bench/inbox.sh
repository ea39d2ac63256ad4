#!/usr/bin/env bash
# The inbox against the tools a service technician would use without it, in one run on the same
# inputs. Goals:
#   add of 2,000 packages with 1 MiB dump-like dumps: at most 0.5 times a shell loop of
#     tar -xzOf FILE report.xml; peak memory for 200 and for 2,000 packages within 16 MiB of
#     each other
#   with Q5_REFERENCE_INBOX naming an earlier build of q5-crash-inbox: add of 2,000 packages at
#     most 1.1 times that build's (the dumps are minidumps, whose facts are read while filing)
#   show of a package with a 1 GiB dump (its facts read from the dump): at most 1.05 times
#     tar -xzOf FILE report.xml
#   list --search WORD over 100,000 filed reports: median at most 50 ms on SQLite and 80 ms on a
#     PostgreSQL server started for the run
#   --help, a command's start-up alone: median at most 10 ms (beside /bin/true's)
# Usage: bench/inbox.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$root/build}
inbox=$build_dir/bin/q5-crash-inbox
tool=$build_dir/bin/inbox_bench
work=$(mktemp -d -t q5-inbox-bench-XXXXXX)
chmod 755 "$work"
trap 'bash "$root/scripts/test-postgres.sh" stop "$work/postgres" || true; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data

seconds() { # command... ; the wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

peak_kib() { # command... ; the peak resident memory in KiB
    /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1
}

declare -A peak
for count in 200 2000; do
    mkdir -p "$work/packages-$count"
    "$tool" packages "$work/packages-$count" "$count" $((1024 * 1024))
    rm -rf "$work/data"
    peak[$count]=$(peak_kib "$inbox" add "$work/packages-$count")
    rm -rf "$work/data"
    ours=$(seconds "$inbox" add "$work/packages-$count")
    loop=$(seconds sh -c "for f in '$work/packages-$count'/*.cdp; do tar -xzOf \"\$f\" report.xml > /dev/null; done")
    printf 'add of %d packages: %.3f s, tar loop %.3f s, ratio %.3f (goal 0.5), peak %d KiB\n' \
        "$count" "$ours" "$loop" "$(echo "$ours / $loop" | bc -l)" "${peak[$count]}"
    if [ -n "${Q5_REFERENCE_INBOX:-}" ]; then
        rm -rf "$work/data"
        reference=$(seconds "$Q5_REFERENCE_INBOX" add "$work/packages-$count")
        printf 'add of %d packages by the reference build: %.3f s, ratio %.3f (goal 1.1)\n' \
            "$count" "$reference" "$(echo "$ours / $reference" | bc -l)"
    fi
    rm -rf "$work/packages-$count"
done
printf 'peak memory difference 2,000 vs 200 packages: %d KiB (goal: at most 16384)\n' \
    $((peak[2000] - peak[200]))

mkdir -p "$work/big"
"$tool" packages "$work/big" 1 $((1024 * 1024 * 1024))
big=$work/big/00000.cdp
"$inbox" show "$big" >/dev/null # the page cache holds it for both
ours=$(seconds "$inbox" show "$big")
tar=$(seconds tar -xzOf "$big" report.xml)
printf 'show of a package with a 1 GiB dump: %.3f s, tar -xzOf %.3f s, ratio %.3f (goal 1.05)\n' \
    "$ours" "$tar" "$(echo "$ours / $tar" | bc -l)"
rm -rf "$work/big"

median_ms() { # command... ; the median wall time of 21 runs in ms
    local times=()
    for _ in $(seq 21); do times+=("$(seconds "$@")"); done
    echo "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 11p) * 1000" | bc -l
}
printf -- '--help: median %.1f ms (goal 10), /bin/true %.1f ms\n' \
    "$(median_ms "$inbox" --help)" "$(median_ms /bin/true)"

bash "$root/scripts/test-postgres.sh" start "$work/postgres"
for database in "sqlite:$work/search.sqlite" "$(cat "$work/postgres/url")"; do
    "$tool" fill "$database" 100000
    times=()
    for word in $("$tool" words 21); do
        times+=("$(seconds "$inbox" --database "$database" list --search "$word")")
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 11p)
    printf 'list --search over 100,000 reports (%s): median %.1f ms (goal %s)\n' \
        "${database%%:*}" "$(echo "$median * 1000" | bc -l)" \
        "$([ "${database%%:*}" = sqlite ] && echo 50 || echo 80)"
done
