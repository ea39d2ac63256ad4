#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds,
# seeded from their corpus folders. Fails on any crash, sanitizer report or an allocation above
# the limit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build_dir=$root/build-fuzz

cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQ5_FUZZ=ON -DQ5_SANITIZE=ON -DQ5_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --target fuzz_crash_record fuzz_crash_data_file fuzz_report_writer \
    fuzz_package_reader fuzz_minidump_scanner fuzz_symbol_file fuzz_upload_queue \
    fuzz_imap_responses

# target:corpus folder
for target in crash_record:applications/crash_reporter/fuzz/corpus/record \
    crash_data_file:applications/crash_reporter/fuzz/corpus/data_file \
    report_writer:applications/package_format/fuzz/corpus/report \
    package_reader:applications/package_format/fuzz/corpus/package \
    minidump_scanner:applications/crash_analysis/fuzz/corpus/minidump \
    symbol_file:applications/crash_analysis/fuzz/corpus/symbols \
    upload_queue:applications/crash_reporter/fuzz/corpus/upload_queue \
    imap_responses:applications/crash_inbox/fuzz/corpus/imap; do
    name=fuzz_${target%%:*}
    work=$(mktemp -d)
    cp "$root/${target#*:}"/* "$work/"
    echo "$name: ${seconds}s"
    ASAN_OPTIONS=detect_leaks=1 "$build_dir/bin/$name" "$work" \
        -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=1024 -max_len=4096 \
        -print_final_stats=1 2>"$work.log" || { tail -50 "$work.log"; exit 1; }
    grep -E '^stat::number_of_executed_units' "$work.log" || true
    rm -rf "$work" "$work.log"
done
