#!/usr/bin/env bash
# A mutation check of our own: plants each small fault of a list (scripts/mutants.txt by
# default, one line each: file | text | replacement) one at a time in a scratch copy of the
# tree, rebuilds incrementally, runs CTest, and prints which faults survived and the score.
# Not part of the test command: it takes a while. Every fault an audit or a bug report finds
# becomes a line of the list.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=$(realpath "${1:-$root/scripts/mutants.txt}")
work=${Q5_MUTANTS_DIR:-$root/build-mutants}
source=$work/source
pristine=$work/pristine
build=$work/build

# A snapshot of the tree as it is now: faults are planted in one copy and taken back from the
# other, so that edits to the tree while the check runs do not get mixed in.
rm -rf "$source" "$pristine"
mkdir -p "$source" "$pristine"
tar -C "$root" --exclude='./build*' --exclude='./.git' -cf - . | tar -C "$source" -xf -
tar -C "$source" -cf - . | tar -C "$pristine" -xf -
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
echo "mutants: building the scratch copy"
cmake --build "$build" >/dev/null

run_tests() {
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -j "$(nproc)" --timeout 300 \
        --stop-on-failure >"$work/ctest.log" 2>&1
}
run_tests || { echo "mutants: the tests fail without a fault planted"; tail -30 "$work/ctest.log"; exit 1; }

total=0 killed=0
survivors=()
while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in ''|'#'*) continue ;; esac
    total=$((total + 1))
    file=$(echo "$line" | awk -F' [|] ' '{print $1}')
    if ! python3 - "$source/$file" "$line" <<'PY'
import sys
path, line = sys.argv[1], sys.argv[2]
_, text, replacement = [part.replace('⏎', '\n') for part in line.split(' | ', 2)]
content = open(path, encoding='utf-8').read()
if text not in content:
    sys.exit(1)
open(path, 'w', encoding='utf-8').write(content.replace(text, replacement, 1))
PY
    then
        echo "MISSING  $line"
        survivors+=("$line (text not found)")
        continue
    fi
    if ! cmake --build "$build" >"$work/build.log" 2>&1; then
        verdict="INVALID"
        survivors+=("$line (does not compile)")
    elif run_tests; then
        verdict="SURVIVED"
        survivors+=("$line")
    else
        verdict="killed"
        killed=$((killed + 1))
    fi
    echo "$verdict  $line"
    cp "$pristine/$file" "$source/$file"
done <"$list"

cmake --build "$build" >/dev/null 2>&1 || true
echo
echo "mutants: $killed of $total killed ($((total > 0 ? killed * 100 / total : 0)) %)"
for survivor in "${survivors[@]}"; do
    echo "  survived: $survivor"
done
