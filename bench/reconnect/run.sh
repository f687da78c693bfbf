#!/usr/bin/env bash
# What a dropped connection costs: bench_reconnect plays a station that loses its listener every
# few seconds and times each drop (the time the download went without a connection, and the
# sound stalled meanwhile), median of RUNS drops, beside the time the server needs to answer a
# new request (curl's time to the first byte, median of RUNS). On stationd, which drops the
# connection itself (drop_after), once with its default burst and once without one, and on an
# Icecast server fed at the stream's pace by ffmpeg, whose admin interface kicks the listener.
# Installs icecast2, ffmpeg and curl from Debian when they are missing.
#
# Usage: bench/reconnect/run.sh [BUILD_DIR [RUNS]]   (defaults: build, 10)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
runs=${2:-10}
data=tests/data

for tool in "$build/bin/bench_reconnect" "$build/bin/stationd"; do
    [ -e "$tool" ] || { echo "missing $tool: build it first" >&2; exit 1; }
done
source bench/support/packages.sh
install_missing icecast2 ffmpeg curl

source bench/support/stations.sh
source bench/support/median.sh

# Milliseconds until a new request for URL has its first byte of the answer.
first_byte() {
    curl -s -o /dev/null --max-time 1 -w '%{time_starttransfer}\n' "$1" |
        awk '{ printf "%.0f\n", $1 * 1000 }'
}

# kick_listeners SECONDS MOUNT: every SECONDS the Icecast server drops every listener of MOUNT.
kick_listeners() {
    local auth=(-s -u "admin:$icecast_password") id
    while sleep "$1"; do
        for id in $(curl "${auth[@]}" "$icecast_base/admin/listclients?mount=/$2" |
            grep -o '<ID>[0-9]*</ID>' | grep -o '[0-9]*'); do
            curl "${auth[@]}" -o /dev/null "$icecast_base/admin/killclient?mount=/$2&id=$id"
        done
    done
}

# row NAME URL ANSWER_URL: one line of the table.
row() {
    local times
    times=$("$build/bin/bench_reconnect" "$2" "$runs")
    printf "%-22s %22s %17s %20s\n" "$1" \
        "$(cut -d' ' -f1 <<< "$times" | median %.0f)" \
        "$(cut -d' ' -f2 <<< "$times" | median %.0f)" \
        "$(for _ in $(seq "$runs"); do first_byte "$3" || true; done | median %.0f)"
}

printf "%-22s %22s %17s %20s\n" "station" "without connection ms" "sound stalled ms" \
    "server answers in ms"
start_stationd
row "stationd, burst 64 KiB" "$mp3_url?drop_after=3" "$mp3_url"
row "stationd, no burst" "$mp3_url?drop_after=3&burst=0" "$mp3_url?burst=0"
icecast_title_loop=0 start_icecast
kick_listeners 3 mp3 &
pids+=($!)
row "Icecast, burst 16 KiB" "$mp3_url" "$mp3_url"
