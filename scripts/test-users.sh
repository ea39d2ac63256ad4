#!/usr/bin/env bash
# Two ordinary users for the tests of a machine that several users share: q5-operator runs the
# reporter, q5-intruder tries to get in its way. "add NOTE" makes those that are missing (as
# root; elsewhere the tests that need them are skipped) and notes them in NOTE; "remove NOTE"
# removes again those that it made.
set -euo pipefail
action=$1
note=$2
case $action in
add)
    : >"$note"
    [ "$(id -u)" -eq 0 ] || exit 0
    for user in q5-operator q5-intruder; do
        if ! id -u "$user" >/dev/null 2>&1; then
            useradd --system --no-create-home --shell /usr/sbin/nologin --user-group "$user"
            echo "$user" >>"$note"
        fi
    done
    ;;
remove)
    [ -f "$note" ] || exit 0
    while read -r user; do
        userdel "$user" 2>/dev/null || true
    done <"$note"
    rm -f "$note"
    ;;
esac
