#!/usr/bin/env bash
# Click to sound: the time from a click on a preset button to the first sound leaving the mixer
# (bench_playback: the real window, worker and audio library on the "no sound" device), and from
# the byte that filled the pre-buffer (the stream handed to the player) to that sound, beside the
# time curl needs for the first 64 KiB of the same stream, median of RUNS each, on stationd and on
# an Icecast server fed at the stream's pace by ffmpeg, and on stationd's live HLS station (curl:
# the playlist, then its segments from three behind the live edge on, up to 64 KiB). Installs
# icecast2, ffmpeg and curl from Debian when they are missing.
#
# Usage: bench/playback/run.sh [BUILD_DIR [RUNS]]   (defaults: build, 10)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
runs=${2:-10}
data=tests/data

for tool in "$build/bin/bench_playback" "$build/bin/stationd" "$build/bin/libzvaudio_aac.so"; do
    [ -e "$tool" ] || { echo "missing $tool: build it first" >&2; exit 1; }
done
source bench/support/packages.sh
install_missing icecast2 ffmpeg curl

# Icecast's own default burst for a new listener, as a station left at its defaults sends.
icecast_burst=65535
source bench/support/stations.sh
source bench/support/median.sh

# Milliseconds until curl has received the first 64 KiB of URL.
first_64k() {
    local start
    start=$(date +%s%N)
    (set +o pipefail; curl -s -N "$1" | head -c 65536 > /dev/null)
    echo $((($(date +%s%N) - start) / 1000000))
}

# Milliseconds until curl has fetched an HLS playlist and the first 64 KiB of its segments, from
# the third segment behind the live edge on.
first_64k_hls() {
    local start base segments
    start=$(date +%s%N)
    base=${1%/*}
    segments=$(curl -s "$1" | grep -v '^#' | tail -n 3)
    (set +o pipefail; for segment in $segments; do curl -s "$base/$segment"; done |
        head -c 65536 > /dev/null)
    echo $((($(date +%s%N) - start) / 1000000))
}

printf "%-9s %-8s %18s %20s %16s\n" "server" "stream" "click to sound ms" \
    "pre-buffer to sound" "curl 64 KiB ms"
row() {
    local times
    times=$(QT_QPA_PLATFORM=offscreen "$build/bin/bench_playback" "$3" "$runs" 2>/dev/null)
    printf "%-9s %-8s %18s %20s %16s\n" "$1" "$2" "$(cut -d' ' -f1 <<<"$times" | median %.0f)" \
        "$(cut -d' ' -f2 <<<"$times" | median %.0f)" "$4"
}
for server in stationd icecast; do
    "start_$server"
    for stream in mp3 aac; do
        url=$mp3_url
        [ "$stream" = aac ] && url=$aac_url
        row "$server" "$stream" "$url" \
            "$(for _ in $(seq "$runs"); do first_64k "$url"; done | median %.0f)"
    done
done
start_hls_station
row stationd hls "$hls_url" \
    "$(for _ in $(seq "$runs"); do first_64k_hls "$hls_url"; done | median %.0f)"
