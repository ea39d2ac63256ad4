#!/usr/bin/env bash
# Renders screenshots of the toolkit's windows on a private X server with a window manager
# (Xvfb and openbox), as a user at a desktop sees them, into docs/images/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/bin}
out=$root/docs/images
mkdir -p "$out"

work=$(mktemp -d)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill $wm $server 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") HOME=$work XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

# shot NAME TITLE COMMAND...: starts the program, waits for its window, presses the keys in
# $keys (if any), saves it (the whole screen for the title "root"), closes it.
shot() {
    local name=$1 title=$2
    shift 2
    "$@" >/dev/null 2>&1 &
    local program=$!
    local window=root
    if [ "$title" = root ]; then
        timeout 20 xdotool search --sync --onlyvisible --name "Tessera Gallery" >/dev/null
    else
        window=$(timeout 20 xdotool search --sync --onlyvisible --name "$title" | head -1)
    fi
    sleep 1
    if [ -n "${keys:-}" ]; then
        xdotool windowactivate --sync "$window" key $keys
        sleep 0.5
    fi
    import -window "$window" "$out/$name.png"
    # Closed as a user would, so that a reporter started by the simulator ends too.
    [ "$window" != root ] && xdotool windowactivate --sync "$window" key alt+F4 >/dev/null 2>&1
    for _ in $(seq 50); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
    kill $program 2>/dev/null || true
    wait $program 2>/dev/null || true
    echo "$out/$name.png"
}

# The inbox window on a database of made-up packages: a year of crashes, two groups decided on,
# then a fortnight more in which one of them comes back (regressed), and a package whose device
# and serial are far too long.
mkdir -p "$work/packages" "$work/later" "$work/long"
python3 "$root/scripts/demo-packages.py" "$work/packages" 240 365
python3 "$root/scripts/demo-packages.py" "$work/later" 12 14 9
python3 - "$root/scripts" "$work/long/long.cdp" <<'PYTHON'
import datetime, importlib.util, sys
spec = importlib.util.spec_from_file_location('demo', sys.argv[1] + '/demo-packages.py')
demo = importlib.util.module_from_spec(spec)
spec.loader.exec_module(demo)
xml = demo.report(datetime.datetime(2026, 12, 6, 9, 30), 'Q5-S50 ' + 'very long device name ' * 9,
                  'SN-' + '7' * 147, '6.4.1.BETA2', 'A package with long fields', ['Cue 45 GO'])
dump = demo.minidump(demo.SITES[0], (6, 4, 1, 0))
open(sys.argv[2], 'wb').write(demo.package([('controller.dmp', dump), ('report.xml', xml)]))
PYTHON
inbox() { "$bin/q5-crash-inbox" --database "$work/inbox.sqlite" "$@" >/dev/null; }
inbox add "$work/packages"
inbox symbols add "$work/packages/symbols/q5controller.sym"
read -r -a groups <<<"$("$bin/q5-crash-inbox" --database "$work/inbox.sqlite" groups --json |
    python3 -c "import json, sys; print(' '.join(str(g['id']) for g in json.load(sys.stdin)))")"
inbox group "${groups[0]}" --fixed-in 6.3.2 --note "lamp driver rewrite"
inbox group "${groups[1]}" --state acknowledged
inbox add "$work/later" "$work/long"

# inbox_shot NAME WIDTHxHEIGHT THEME [KEYS]: the window filling a screen of that size.
inbox_shot() {
    local name=$1 size=$2 theme=$3 keys=${4:-}
    (
        exec 3>"$work/inbox-display"
        Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
        local server=$!
        for _ in $(seq 50); do [ -s "$work/inbox-display" ] && break; sleep 0.1; done
        export DISPLAY=:$(cat "$work/inbox-display")
        openbox --sm-disable >/dev/null 2>&1 &
        local manager=$!
        sleep 1
        "$bin/q5-crash-inbox" --database "$work/inbox.sqlite" --theme "$theme" >/dev/null 2>&1 &
        local program=$!
        local window
        window=$(timeout 20 xdotool search --sync --onlyvisible --name "Varnel Crash Inbox" | head -1)
        xdotool windowsize "$window" 100% 100% windowmove "$window" 0 0
        sleep 1.5
        [ -n "$keys" ] && xdotool windowactivate --sync "$window" key $keys && sleep 0.7
        import -window root "$out/$name.png"
        kill $program $manager $server 2>/dev/null
        wait 2>/dev/null
        rm -f "$work/inbox-display"
    )
    echo "$out/$name.png"
}

declare -A theme_number=([dark]=1 [light]=2)
for theme in dark light; do
    echo "extra diagnostics" >"$work/extra.log"
    shot "crash-dialog-$theme" "Varnel Q5-PC Crash Desk" "$bin/q5-controller-sim" --theme "${theme_number[$theme]}" \
        --serial Q5PC-000123 --controller-version 6.4.1.0x82 --timeout 60 \
        --data-file "$work/crash.dat" --dump "$work/controller.dmp" --dump-size 100000
    keys=Tab shot "crash-dialog-focus-$theme" "Varnel Q5-PC Crash Desk" "$bin/q5-controller-sim" \
        --theme "${theme_number[$theme]}" --timeout 60 \
        --data-file "$work/crash.dat" --dump "$work/controller.dmp" --dump-size 100000
    shot "crash-dialog-countdown-$theme" "Varnel Q5-PC Crash Desk" "$bin/q5-controller-sim" \
        --theme "${theme_number[$theme]}" --delay 90 --timeout 60 \
        --data-file "$work/crash.dat" --dump "$work/controller.dmp" --dump-size 100000
    shot "gallery-$theme" "Tessera Gallery" "$bin/tessera-gallery" --theme $theme
    QT_SCALE_FACTOR=1.5 shot "gallery-$theme-144dpi" "Tessera Gallery" "$bin/tessera-gallery" --theme $theme
    shot "message-box-$theme" "Error" "$bin/tessera-gallery" --theme $theme --open message-box
    shot "file-dialog-$theme" "Save crash dump file" "$bin/tessera-gallery" --theme $theme --open file-dialog
    shot "menu-$theme" root "$bin/tessera-gallery" --theme $theme --open menu
    inbox_shot "crash-inbox-$theme" 1600x1000 $theme "alt+y Down alt+g Down"
    inbox_shot "crash-inbox-$theme-1024" 1024x768 $theme "alt+y Down"
done
