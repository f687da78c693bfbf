#!/usr/bin/env bash
# The audio benchmark: CPU seconds per minute of audio and peak memory while zvplay plays the
# 128 kbit/s MP3 and the 64 kbit/s AAC benchmark stream from a loopback stationd, on the
# "no sound" device and on SDL's dummy driver, side by side with other players on the same
# streams (mpg123 -o dummy, mpv --ao=null, VLC with its dummy output), plus the decode-only floor
# (bench_decode). Installs the other players from Debian when they are missing.
#
# Usage: bench/audio/run.sh [BUILD_DIR [SECONDS]]   (defaults: build, 60)
# CPU time is user + system time of the player's process tree over the run; a run lasts SECONDS
# of wall-clock time from the player's start, so the figure is CPU seconds per minute of play.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
data=tests/data

for tool in "$build/bin/zvplay" "$build/bin/stationd" "$build/bin/bench_decode"; do
    [ -x "$tool" ] || { echo "missing $tool: build it first" >&2; exit 1; }
done

peers=(mpv mpg123 vlc-bin vlc-plugin-base time)
missing=()
for p in "${peers[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

tmp=$(mktemp -d)
stationd_pid=
cleanup() {
    [ -n "$stationd_pid" ] && kill "$stationd_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

"$build/bin/stationd" --root "$data" --port 0 > "$tmp/port" &
stationd_pid=$!
for _ in $(seq 100); do
    [ -s "$tmp/port" ] && break
    sleep 0.1
done
port=$(head -n 1 "$tmp/port")
[ -n "$port" ] || { echo "stationd did not start" >&2; exit 1; }
mp3_url="http://127.0.0.1:$port/bench/mp3"
aac_url="http://127.0.0.1:$port/bench/aac"

# VLC refuses to run as root; it runs as nobody with a scratch home then.
vlc=(cvlc)
if [ "$(id -u)" -eq 0 ]; then
    chmod 711 "$tmp"
    mkdir -p "$tmp/vlc-home"
    chown nobody "$tmp/vlc-home"
    vlc=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$tmp/vlc-home" cvlc)
fi

rows=()
# measure LABEL STREAM OUTPUT COMMAND...: runs COMMAND for $seconds and adds a table row.
measure() {
    local label=$1 stream=$2 output=$3
    shift 3
    /usr/bin/time -o "$tmp/time" -f "%U %S %M" timeout -s INT -k 5 "$seconds" "$@" \
        > /dev/null 2>&1 || true
    local user sys rss
    read -r user sys rss < <(tail -n 1 "$tmp/time")
    rows+=("$(awk -v l="$label" -v s="$stream" -v o="$output" -v u="$user" -v y="$sys" \
        -v r="$rss" -v t="$seconds" \
        'BEGIN { printf "%-22s %-8s %-10s %8.3f %9.1f", l, s, o, (u + y) / t * 60, r / 1024 }')")
}

for stream in mp3 aac; do
    url=$mp3_url
    [ "$stream" = aac ] && url=$aac_url
    name="MP3 128"
    [ "$stream" = aac ] && name="AAC 64"
    measure "zvplay" "$name" "no sound" "$build/bin/zvplay" --device 0 "$url"
    measure "zvplay" "$name" "SDL dummy" env SDL_AUDIODRIVER=dummy "$build/bin/zvplay" "$url"
    [ "$stream" = mp3 ] && measure "mpg123 -o dummy" "$name" "dummy" mpg123 -q -o dummy "$url"
    measure "mpv --ao=null" "$name" "null" mpv --no-video --ao=null --really-quiet "$url"
    measure "vlc" "$name" "dummy" "${vlc[@]}" -q --no-video --aout=dummy "$url"
done

# The decode-only floor: whole files through the library's decoders, as fast as possible.
floor=$("$build/bin/bench_decode" "$data/audio/bench128.mp3" "$data/audio/bench64.aac")
mp3_floor=$(awk -F'\t' '$2 == "mp3" { split($5, f, " "); print f[1] }' <<< "$floor")
aac_floor=$(awk -F'\t' '$2 == "aac" { split($5, f, " "); print f[1] }' <<< "$floor")

printf "%-22s %-8s %-10s %8s %9s\n" "player" "stream" "output" "CPU s/min" "peak MiB"
printf "%s\n" "${rows[@]}"
printf "%-22s %-8s %-10s %8.3f %9s\n" "decode only" "MP3 128" "-" "$mp3_floor" "-"
printf "%-22s %-8s %-10s %8.3f %9s\n" "decode only" "AAC 64" "-" "$aac_floor" "-"
