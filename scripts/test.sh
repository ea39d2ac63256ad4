#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a compile check of the Windows code with the
# mingw-w64 cross compiler, and the fuzz targets (wire readers, report writer, package reader,
# minidump reader and symbol files).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# The tests run in a home of their own: whatever one of them starts without a sandbox of its own
# writes there, never into the caller's Documents or settings.
test_home=$(mktemp -d -t q5-test-home-XXXXXX)
trap 'rm -rf "$test_home"' EXIT
export HOME=$test_home XDG_CONFIG_HOME=$test_home/.config XDG_CACHE_HOME=$test_home/.cache \
    XDG_DATA_HOME=$test_home/.local/share XDG_STATE_HOME=$test_home/.local/state

echo "== Build and test"
bash scripts/build.sh "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
bash scripts/build.sh "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DQ5_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
    ctest --test-dir "$root/build-sanitize" --output-on-failure -j "$jobs"

echo "== Windows compile check"
bash scripts/windows-check.sh --self-test
bash scripts/windows-check.sh

echo "== Fuzz the readers and the report writer"
bash scripts/fuzz.sh "${Q5_FUZZ_SECONDS:-60}"
