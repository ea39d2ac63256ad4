#!/usr/bin/env bash
# Start-up of the reporter run with no arguments (it installs the style and fonts at launch,
# then quits) against a bare QApplication that prints one line, in one run: median of 15 wall
# times each. Goal: at most 1.5 times the bare application. Usage: bench/startup.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$root/build}
work=$(mktemp -d -t q5-startup-XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work TMPDIR=$work XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

median_ms() { # command...
    local times=()
    for _ in $(seq 15); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 8p
}

bare=$(median_ms "$build_dir/bin/bare_application")
reporter=$(median_ms "$build_dir/bin/q5-crash-reporter")
echo "bare QApplication: ${bare} ms, reporter without arguments: ${reporter} ms"
echo "ratio: $(echo "scale=2; $reporter / $bare" | bc -l) (goal: at most 1.5)"
