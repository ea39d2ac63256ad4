#!/usr/bin/env bash
# A private Dovecot IMAP server for the tests, on a loopback port over TLS, with its own
# configuration, certificate and Maildir, reached through DIR. "start DIR" writes the address of the test
# mailbox to DIR/address (imaps://desk@127.0.0.1:PORT/INBOX), its password to DIR/password and
# the certificate's authority to DIR/cert.pem. "stop DIR" stops it and removes DIR.
# Dovecot refuses mail users with UID 0: run as root, the mail belongs to the dovecot user, and
# the server lives in a folder of its own under /tmp that it can reach (the build folder may sit
# under one only root can enter), which DIR links to.
set -euo pipefail
action=$1
link=$2

case $action in
start)
    bash "$0" stop "$link"
    dir=$(mktemp -d /tmp/q5-dovecot-XXXXXX)
    chmod 755 "$dir"
    mkdir -p "$(dirname "$link")"
    ln -s "$dir" "$link"
    mkdir -p "$dir/run" "$dir/mail/desk/cur" "$dir/mail/desk/new" "$dir/mail/desk/tmp"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
        -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 2 -subj /CN=127.0.0.1 \
        -addext subjectAltName=IP:127.0.0.1 2>/dev/null
    password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
    printf '%s\n' "$password" >"$dir/password"
    if [ "$(id -u)" -eq 0 ]; then
        mail_user=dovecot
        internal_user=dovecot
        login_user=dovenull
    else
        mail_user=$(id -un)
        internal_user=$mail_user
        login_user=$mail_user
    fi
    uid=$(id -u "$mail_user")
    gid=$(id -g "$mail_user")
    printf 'desk:{PLAIN}%s:%s:%s::%s\n' "$password" "$uid" "$gid" "$dir/mail/desk" >"$dir/users"
    # A free port, taken from the system.
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$dir/dovecot.conf" <<CONF
base_dir = $dir/run
state_dir = $dir/state
instance_name = q5-test-$port
log_path = $dir/dovecot.log
protocols = imap
listen = 127.0.0.1
ssl = required
ssl_cert = <$dir/cert.pem
ssl_key = <$dir/key.pem
default_internal_user = $internal_user
default_login_user = $login_user
first_valid_uid = 1
auth_mechanisms = plain
passdb {
  driver = passwd-file
  args = $dir/users
}
userdb {
  driver = passwd-file
  args = $dir/users
}
mail_location = maildir:$dir/mail/%u
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    address = 127.0.0.1
    port = $port
    ssl = yes
  }
}
service anvil {
  chroot =
}
service imap-login {
  chroot =
}
CONF
    chown -R "$mail_user" "$dir/mail"
    mkdir -p "$dir/state"
    /usr/sbin/dovecot -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1
    for _ in $(seq 50); do
        if python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "imaps://desk@127.0.0.1:$port/INBOX" >"$dir/address"
    ;;
stop)
    if [ -L "$link" ]; then
        dir=$(readlink "$link")
        rm -f "$link"
    else
        dir=$link
    fi
    [ -e "$dir" ] || exit 0
    if [ -f "$dir/run/master.pid" ]; then
        pid=$(cat "$dir/run/master.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
