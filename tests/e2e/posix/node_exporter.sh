#!/usr/bin/env bash
# Debian's node exporter reads what a withheld restart run, then a test, leave in its textfile
# folder.   node_exporter.sh VESPERON   (exit 77 without prometheus-node-exporter and python3)
set -uo pipefail
exe=$1
exporter=/usr/bin/prometheus-node-exporter
[ -x "$exporter" ] && command -v python3 >/dev/null || exit 77
tmp=$(mktemp -d /tmp/vesperon-node-exporter.XXXXXX)
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap finish EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

mkdir "$tmp/app" "$tmp/bin" "$tmp/textfile" "$tmp/state"
cp "$exe" "$tmp/app/nightly"
printf '#!/bin/sh\necho "$@" >> "%s/shutdown-args"\n' "$tmp" >"$tmp/bin/shutdown"
chmod +x "$tmp/bin/shutdown" && [ -x "$tmp/bin/shutdown" ] || fail "no executable stand-in"
printf '[Metrics]\r\nTextfileDirectory=%s\r\n' "$tmp/textfile" >"$tmp/app/nightly.ini"
printf '%s\r\n%s\r\n' "$tmp/held.dat" "$tmp/gone.dat" >"$tmp/app/nightly.cfg"
: >"$tmp/held.dat"
sleep 60 3<"$tmp/held.dat" &
pids+=("$!")
run() {
    env -u DISPLAY PATH="$tmp/bin:/usr/bin:/bin" VESPERON_STATE_DIR="$tmp/state" \
        "$tmp/app/nightly" "$@" >/dev/null 2>"$tmp/err" </dev/null
}

# A free port, asked of the system; another process may take it first, so try a few.
for _ in 1 2 3 4 5; do
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    "$exporter" --web.listen-address="127.0.0.1:$port" --collector.disable-defaults \
        --collector.textfile --collector.textfile.directory="$tmp/textfile" 2>"$tmp/exporter.log" &
    pids+=("$!")
    until grep -q 'Listening on' "$tmp/exporter.log" || ! kill -0 "$!" 2>/dev/null; do sleep 0.1; done
    kill -0 "$!" 2>/dev/null && break
done
kill -0 "${pids[-1]}" 2>/dev/null || fail "the node exporter did not start: $(cat "$tmp/exporter.log")"

# scrape: the vesperon and textfile lines of /metrics, values as whole numbers, a time within
# the last minute as "now".
scrape() {
    python3 - "http://127.0.0.1:$port/metrics" <<'EOF'
import sys, time, urllib.request
for _ in range(50):
    try:
        text = urllib.request.urlopen(sys.argv[1], timeout=5).read().decode()
        break
    except OSError:
        time.sleep(0.1)
for line in text.splitlines():
    if line.startswith(("vesperon_", "node_textfile_scrape_error")):
        series, value = line.rsplit(" ", 1)
        value = int(float(value))
        now = "timestamp" in series and 0 <= time.time() - value < 60
        print(series, "now" if now else value)
EOF
}
expect() { # LINE...: each line is in a scrape
    local scraped line
    scraped=$(scrape)
    for line in "$@"; do
        grep -qxF "$line" <<<"$scraped" || fail "no '$line' in the scrape:"$'\n'"$scraped"
    done
}

run -r
[ $? = 2 ] && [ ! -e "$tmp/shutdown-args" ] || fail "the restart run was not withheld: $(cat "$tmp/err")"
expect \
    'node_textfile_scrape_error 0' \
    'vesperon_info{version="1.3.0"} 1' \
    'vesperon_last_run_timestamp_seconds{mode="restart"} now' \
    'vesperon_last_run_outcome{mode="restart",outcome="withheld"} 1' \
    'vesperon_last_run_entries{state="in_use"} 1' \
    'vesperon_last_run_entries{state="undetermined"} 0' \
    'vesperon_last_run_entries{state="missing"} 1' \
    'vesperon_withheld_since_timestamp_seconds now'

# The holder lets go; a test by hand finds nothing in use and keeps what the run left.
kill "${pids[0]}"
wait "${pids[0]}" 2>/dev/null
run --test
[ $? = 0 ] || fail "the test would not restart: $(cat "$tmp/err")"
expect \
    'node_textfile_scrape_error 0' \
    'vesperon_last_run_timestamp_seconds{mode="test"} now' \
    'vesperon_last_run_timestamp_seconds{mode="restart"} now' \
    'vesperon_last_run_outcome{mode="test",outcome="started"} 1' \
    'vesperon_last_run_entries{state="in_use"} 0' \
    'vesperon_withheld_since_timestamp_seconds now'
[ "$(ls -A "$tmp/textfile")" = nightly.prom ] || fail "the folder holds $(ls -A "$tmp/textfile")"
echo "passed: the node exporter scrapes what each run left"
