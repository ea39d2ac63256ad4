#!/usr/bin/env bash
# A private PostgreSQL server for the tests: its own cluster in DIR, reachable only through a
# socket in DIR. "start DIR [NAME...]" makes and starts it with an empty database "inbox",
# whose URL it writes to DIR/url, and an empty database for each NAME, whose URL it writes to
# DIR/url-NAME: tests that run at the same time each have their own. "stop DIR" stops it and
# removes DIR. initdb refuses to run as root: there the
# tools run in a user namespace that maps root to an ordinary user, so DIR may sit under a
# folder only root can enter; without user namespaces the server runs as the postgres user.
set -euo pipefail
action=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)

# How the tools are run, and the database user they make.
runner=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    if unshare --user --map-user=1000 --map-group=1000 true 2>/dev/null; then
        runner=(unshare --user --map-user=1000 --map-group=1000 --)
        user=q5
    else
        runner=(runuser -u postgres --)
        user=postgres
    fi
fi

as_owner() {
    "${runner[@]}" "$@"
}

case $action in
start)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "${runner[0]:-}" = runuser ]; then
        chown postgres "$dir"
    fi
    as_owner "$bin/initdb" -D "$dir/data" -U "$user" -A trust --no-sync >"$dir/initdb.log"
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w start \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off" >/dev/null
    as_owner "$bin/createdb" -h "$dir" -U "$user" inbox
    echo "postgresql://$user@/inbox?host=$dir" >"$dir/url"
    for name in "${@:3}"; do
        as_owner "$bin/createdb" -h "$dir" -U "$user" "$name"
        echo "postgresql://$user@/$name?host=$dir" >"$dir/url-$name"
    done
    ;;
stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    fi
    rm -rf "$dir"
    ;;
esac
