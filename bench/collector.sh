#!/usr/bin/env bash
# The collector against a plain file server, both fed by curl --data-binary over loopback, in
# one run on the same packages: uploads a second and peak memory for 1 MiB and 256 MiB
# packages, and the time sending adds to a crash episode. Goals:
#   uploads of 1 MiB packages: at least 0.3 times the file server's rate (the collector also
#     reads, checks and files each package in a database transaction)
#   peak memory while 256 MiB packages arrive: within 64 MiB of its peak for 1 MiB packages
#     (the body streams to disk)
#   a crash episode that sends its package: at most 1 second longer than one that does not
# Usage: bench/collector.sh [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$root/build}
bin=$build_dir/bin
work=$(mktemp -d -t q5-collector-bench-XXXXXX)
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data Q5_CRASH_INBOX_DATABASE=$work/inbox.sqlite

small=40
mkdir -p "$work/small" "$work/large"
"$bin/inbox_bench" packages "$work/small" "$small" $((1024 * 1024)) >/dev/null
"$bin/inbox_bench" packages "$work/large" 2 $((256 * 1024 * 1024)) >/dev/null

# The reference: a file server that writes each body to a file and answers 201.
cat >"$work/file_server.py" <<'PY'
import http.server, sys, itertools
counter = itertools.count()
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def do_POST(self):
        left = int(self.headers['Content-Length'])
        with open('%s/%d' % (sys.argv[2], next(counter)), 'wb') as out:
            while left:
                chunk = self.rfile.read(min(left, 65536))
                if not chunk:
                    return
                out.write(chunk)
                left -= len(chunk)
        self.send_response(201)
        self.send_header('Content-Length', '0')
        self.end_headers()
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer(('127.0.0.1', int(sys.argv[1])), Handler).serve_forever()
PY

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_port() { for _ in $(seq 100); do python3 -c "import socket; socket.create_connection(('127.0.0.1', $1), 1)" 2>/dev/null && return; sleep 0.1; done; }
peak_kib() { awk '/VmHWM/ {print $2}' "/proc/$1/status"; }

# upload URL TOKEN FILES...: seconds for all of them, one after another
upload() {
    local url=$1 token=$2 start end
    shift 2
    start=$(date +%s.%N)
    for file in "$@"; do
        curl -s -o /dev/null -f -H "Authorization: Bearer $token" \
            -H 'Content-Type: application/x-q5-crash-package' --data-binary @"$file" "$url"
    done
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

measure() { # name url token server-pid
    local name=$1 url=$2 token=$3 pid=$4 small_s large_s
    small_s=$(upload "$url" "$token" "$work"/small/*)
    small_peak=$(peak_kib "$pid")
    large_s=$(upload "$url" "$token" "$work"/large/*)
    large_peak=$(peak_kib "$pid")
    printf '%-12s 1 MiB: %6.1f uploads/s, peak %6d KiB; 256 MiB: %5.2f uploads/s, peak %6d KiB\n' \
        "$name" "$(echo "$small / $small_s" | bc -l)" "$small_peak" \
        "$(echo "2 / $large_s" | bc -l)" "$large_peak"
    eval "${name}_rate=$(echo "$small / $small_s" | bc -l)"
    eval "${name}_growth=$((large_peak - small_peak))"
}

port=$(free_port)
mkdir -p "$work/files"
python3 "$work/file_server.py" "$port" "$work/files" & pids+=($!)
wait_port "$port"
measure reference "http://127.0.0.1:$port/api/v1/packages" none "${pids[-1]}"

token=$("$bin/q5-crash-inbox" token add bench)
"$bin/q5-crash-inbox" serve --listen 127.0.0.1:0 --package-folder "$work/received" \
    >"$work/serve.out" & pids+=($!)
for _ in $(seq 100); do grep -q serving "$work/serve.out" 2>/dev/null && break; sleep 0.1; done
url=$(sed -n 's/^serving on //p' "$work/serve.out")
measure collector "$url/api/v1/packages" "$token" "${pids[-1]}"

# The reporter's added time: the same automatic episode with and without sending.
episode() { # seconds for 5 automatic episodes
    local start end
    start=$(date +%s.%N)
    for _ in 1 2 3 4 5; do
        "$bin/q5-controller-sim" --timeout 60 --data-file "$work/crash.dat" --dump "$work/c.dmp" \
            --dump-size 1000000 --delay 0 >/dev/null 2>&1
    done
    end=$(date +%s.%N)
    echo "($end - $start) / 5" | bc -l
}
export HOME=$work/home XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=offscreen
without=$(episode)
without_count=$(ls "$HOME/Documents/Varnel Professional/Q5-PC/Crash Dumps" | wc -l)
with=$(Q5_CRASH_UPLOAD_URL=$url Q5_CRASH_UPLOAD_TOKEN=$token episode)
sent=$(grep -c '^added\|^known' "$work/serve.out" || true)
printf 'episode: %.3f s without sending, %.3f s sending (+%.3f s); %d packages kept before\n' \
    "$without" "$with" "$(echo "$with - $without" | bc -l)" "$without_count"
echo "collector lines: $sent"

ratio=$(echo "$collector_rate / $reference_rate" | bc -l)
printf 'rate ratio (collector / file server): %.2f (goal >= 0.3)\n' "$ratio"
printf 'memory growth for 256 MiB packages: collector %d KiB, file server %d KiB (goal <= 65536)\n' \
    "$collector_growth" "$reference_growth"
fail=0
[ "$(echo "$ratio >= 0.3" | bc -l)" = 1 ] || fail=1
[ "$collector_growth" -le 65536 ] || fail=1
[ "$(echo "$with - $without <= 1" | bc -l)" = 1 ] || fail=1
exit $fail
