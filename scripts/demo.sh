#!/usr/bin/env bash
# Installs what is missing, builds, and plays one crash episode end to end: the controller
# simulator writes the crash record and the crash data file, starts the reporter, checks its
# "connected" line and reports its exit status. With a display the reporter shows its crash
# dialog (close it to end the episode); without one it saves the package at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
bash scripts/build.sh "$root/build"

# A private home and temporary folder, so the demo touches nothing of the user's; the X
# server's cookie stays where it was.
if [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
    export XAUTHORITY=$HOME/.Xauthority
fi
demo=$(mktemp -d -t q5-demo-XXXXXX)
export HOME=$demo/home TMPDIR=$demo/tmp XDG_CONFIG_HOME=$demo/home/.config
mkdir -p "$HOME" "$TMPDIR"
export Q5_CRASH_REPORTER_LOG=-

echo "extra diagnostics from the controller" >"$TMPDIR/controller-extra.log"

# A display that answers shows the dialog; otherwise the episode is the automatic one.
if [ -n "${WAYLAND_DISPLAY:-}" ] || { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
    echo "A display is available: the crash dialog opens; close it to end the episode."
    episode=(--timeout 3600)
else
    echo "No display: the automatic episode saves the crash package at once."
    export QT_QPA_PLATFORM=offscreen
    episode=(--delay 0 --timeout 60)
fi

status=0
"$root/build/bin/q5-controller-sim" "${episode[@]}" \
    --instance 1 --controller-version 6.4.1.0x82 --model 0 --serial Q5PC-000123 --theme 1 \
    --extra-file "$TMPDIR/controller-extra.log" \
    --dump "$TMPDIR/controller.dmp" --dump-size 4194304 \
    --output-line "Show file loaded" --output-line "DMX universe 3 lost" || status=$?
echo "simulator and reporter finished with status $status"

dumps="$HOME/Documents/Varnel Professional/Q5-PC/Crash Dumps"
if compgen -G "$dumps/*.cdp" >/dev/null; then
    for package in "$dumps"/*.cdp; do
        echo "package: $package"
        tar -tvzf "$package"
        echo "report.xml:"
        tar -xzOf "$package" report.xml
    done
fi
echo "demo folder: $demo"
