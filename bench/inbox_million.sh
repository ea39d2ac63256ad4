#!/usr/bin/env bash
# The inbox at a million filed packages, on SQLite and on a PostgreSQL server started for the
# run, each filled through the inbox's own filing code. Goals:
#   groups and list --search WORD, whole processes: median at most 100 ms, beside the database's
#     own shell (sqlite3, psql) running the same search
#   the window (on a private X server): its first rows within 1 s of its start; a search and a
#     version filter shown within 300 ms of the change (the search's pause for typing
#     included); the rows at the end of the list fetched at once; the longest time its event
#     loop could not answer
# Usage: bench/inbox_million.sh [build dir] [count]; with Q5_BENCH_DATABASES naming databases
# filled before (by inbox_bench fill), those are measured instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$root/build}
count=${2:-1000000}
inbox=$build_dir/bin/q5-crash-inbox
tool=$build_dir/bin/inbox_bench
work=$(mktemp -d -t q5-million-XXXXXX)
chmod 755 "$work"
cleanup() {
    kill "${wm:-}" "${server:-}" 2>/dev/null || true
    bash "$root/scripts/test-postgres.sh" stop "$work/postgres" || true
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config HOME=$work

seconds() { # command... ; the wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

median_ms() { # command... ; the median wall time of 21 runs in ms
    local times=()
    for _ in $(seq 21); do times+=("$(seconds "$@")"); done
    echo "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 11p) * 1000" | bc -l
}

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
openbox --sm-disable >/dev/null 2>&1 &
wm=$!

# wait_for_lines FILE N: until the window has said N listings (30 s at most).
wait_for_lines() {
    for _ in $(seq 300); do
        [ "$(grep -c '^listed' "$1" || true)" -ge "$2" ] && return 0
        sleep 0.1
    done
    echo "the window did not list in time: $(cat "$1")" >&2
    return 1
}

# The window on the database: start, a search typed and cleared, a version chosen and all
# again, the end of the list; what it said of each.
window_run() {
    local database=$1 word=$2 log=$work/window.log
    "$inbox" --database "$database" --theme light --report-stalls >"$log" 2>&1 &
    local program=$!
    wait_for_lines "$log" 1
    local window
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "Crash Inbox" | head -1)
    sleep 1
    xdotool windowactivate --sync "$window" key ctrl+f type --delay 60 "$word"
    wait_for_lines "$log" 2
    sleep 1
    xdotool key ctrl+a BackSpace
    wait_for_lines "$log" 3
    sleep 1
    # The version filter: its first version below "All".
    xdotool key alt+v Down
    wait_for_lines "$log" 4
    sleep 1
    xdotool key alt+v Home
    wait_for_lines "$log" 5
    sleep 1
    xdotool key alt+p End
    for _ in $(seq 100); do grep -q '^fetched' "$log" && break; sleep 0.1; done
    sleep 1
    xdotool windowactivate --sync "$window" key alt+F4
    wait "$program" || true
    local lines
    mapfile -t lines < <(grep '^listed' "$log")
    printf '  first rows: %s\n' "${lines[0]}"
    printf '  search typed: %s\n' "${lines[1]}"
    printf '  search cleared: %s\n' "${lines[2]}"
    printf '  version chosen: %s\n' "${lines[3]}"
    printf '  all versions again: %s\n' "${lines[4]}"
    printf '  the end of the list: %s\n' "$(grep '^fetched' "$log" | tail -1)"
    printf "  %s\n" "$(grep "longest stall" "$log")"
}

if [ -n "${Q5_BENCH_DATABASES:-}" ]; then
    read -r -a databases <<<"$Q5_BENCH_DATABASES"
else
    bash "$root/scripts/test-postgres.sh" start "$work/postgres"
    databases=("sqlite:$work/million.sqlite" "$(cat "$work/postgres/url")")
fi
for database in "${databases[@]}"; do
    engine=${database%%:*}
    if [ -z "${Q5_BENCH_DATABASES:-}" ]; then
        start=$(date +%s)
        "$tool" fill "$database" "$count"
        printf '%s: %d packages filed in %d s\n' "$engine" "$count" $(($(date +%s) - start))
    fi
    "$inbox" --database "$database" groups >/dev/null # the page cache holds it
    word=$("$tool" words 1)
    if [ "$engine" = sqlite ]; then
        shell=(sqlite3 "${database#sqlite:}" "SELECT id FROM packages WHERE id IN (SELECT rowid FROM package_words WHERE package_words MATCH '$word') ORDER BY crashed_at DESC")
    else
        shell=(psql -q -d "$database" -c "SELECT id FROM packages WHERE search @@ to_tsquery('simple', '$word') ORDER BY crashed_at DESC")
    fi
    printf '%s: groups median %.1f ms (goal 100)\n' "$engine" \
        "$(median_ms "$inbox" --database "$database" groups)"
    printf '%s: list --search %s median %.1f ms (goal 100), its query in %s %.1f ms\n' \
        "$engine" "$word" "$(median_ms "$inbox" --database "$database" list --search "$word")" \
        "${shell[0]}" "$(median_ms "${shell[@]}")"
    printf '%s: the window\n' "$engine"
    window_run "$database" "$word"
done
