#!/usr/bin/env bash
# The audio benchmark: CPU seconds per minute of audio and peak memory while zvplay plays the
# 128 kbit/s MP3 and the 64 kbit/s AAC benchmark stream, on the "no sound" device and on SDL's
# dummy driver, side by side with other players on the same streams (mpg123 -o dummy,
# mpv --ao=null, VLC with its dummy output), plus the decode-only floor (bench_decode).
# The streams come from two loopback servers: stationd, which sends in large batches, and an
# Icecast server fed at the stream's pace by ffmpeg (small packets, titles changing every
# 20 s), as a radio station sends. Installs the other players, icecast2 and ffmpeg from Debian
# when they are missing.
#
# Usage: bench/audio/run.sh [BUILD_DIR [SECONDS [SERVERS]]]
#        (defaults: build, 60, "stationd icecast")
# CPU time is user + system time of the player's process tree over the run; a run lasts SECONDS
# of wall-clock time from the player's start, so the figure is CPU seconds per minute of play.
# Below the table: the ratios to the peers, and zvplay's wake-ups per second and CPU time by
# thread (context switches and run time of each thread from the run's third second to its last).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
servers=${3:-stationd icecast}
data=tests/data

for tool in "$build/bin/zvplay" "$build/bin/stationd" "$build/bin/bench_decode"; do
    [ -x "$tool" ] || { echo "missing $tool: build it first" >&2; exit 1; }
done

source bench/support/packages.sh
install_missing mpv mpg123 vlc-bin vlc-plugin-base time icecast2 ffmpeg curl

source bench/support/stations.sh

# Each thread of process PID: "tid name context-switches cpu-nanoseconds" lines.
thread_switches() {
    local task
    for task in /proc/"$1"/task/*; do
        awk -v tid="${task##*/}" -v name="$(tr ' ' _ < "$task/comm" 2> /dev/null)" \
            -v ns="$(cut -d ' ' -f 1 "$task/schedstat" 2> /dev/null)" \
            '/ctxt_switches/ { n += $2 } END { if (name != "") print tid, name, n, ns }' \
            "$task/status" 2> /dev/null || true
    done
}

# sample_threads PID LABEL: writes the wake-ups and CPU time per thread of player PID from the
# run's third second to its last as one line.
sample_threads() {
    thread_switches "$1" > "$tmp/switches.start"
    sleep $((seconds - 3))
    thread_switches "$1" > "$tmp/switches.end"
    awk -v l="$2" -v t=$((seconds - 3)) '
        NR == FNR { start[$1] = $3; run[$1] = $4; next }
        { n[$2] += $3 - start[$1]; ns[$2] += $4 - run[$1] }
        END {
            printf "%-17s", l
            for (k in n) printf "  %s %.1f/s %.1f ms/min", k, n[k] / t, ns[k] / 1e6 / t * 60
            print ""
        }' "$tmp/switches.start" "$tmp/switches.end"
}

rows=()
wakeups=()
declare -A cpu
# measure LABEL SERVER STREAM OUTPUT COMMAND...: runs COMMAND for $seconds and adds a table row;
# for zvplay on "no sound" also a line of wake-ups and CPU time by thread. The timing subshell
# gives the CPU time of its own children to the millisecond; GNU time gives the peak memory.
measure() {
    local label=$1 server=$2 stream=$3 output=$4
    shift 4
    (
        TIMEFORMAT='%3U %3S'
        time /usr/bin/time -o "$tmp/rss" -f "%M" timeout -s INT -k 5 "$seconds" "$@" \
            > /dev/null 2>&1
    ) 2> "$tmp/time" &
    local run=$!
    if [ "$label" = zvplay ] && [ "$output" = "no sound" ] && [ "$seconds" -ge 5 ]; then
        sleep 2
        local player
        if player=$(pgrep -P "$(pgrep -P "$(pgrep -P "$run")")"); then
            wakeups+=("$(sample_threads "$player" "$server $stream")")
        fi
    fi
    wait "$run" || true
    local user sys rss
    read -r user sys < <(tail -n 1 "$tmp/time")
    rss=$(tail -n 1 "$tmp/rss")
    cpu["$label/$server/$stream/$output"]=$(awk -v u="$user" -v y="$sys" -v t="$seconds" \
        'BEGIN { printf "%.3f", (u + y) / t * 60 }')
    rows+=("$(awk -v l="$label" -v v="$server" -v s="$stream" -v o="$output" -v u="$user" \
        -v y="$sys" -v r="$rss" -v t="$seconds" \
        'BEGIN { printf "%-16s %-9s %-8s %-10s %9.3f %9.1f", l, v, s, o, (u + y) / t * 60,
                 r / 1024 }')")
}

for server in $servers; do
    "start_$server"
    for stream in mp3 aac; do
        url=$mp3_url
        [ "$stream" = aac ] && url=$aac_url
        name="MP3 128"
        [ "$stream" = aac ] && name="AAC 64"
        measure "zvplay" "$server" "$name" "no sound" "$build/bin/zvplay" --device 0 "$url"
        measure "zvplay" "$server" "$name" "SDL dummy" env SDL_AUDIODRIVER=dummy \
            "$build/bin/zvplay" "$url"
        [ "$stream" = mp3 ] && measure "mpg123" "$server" "$name" "dummy" \
            mpg123 -q -o dummy "$url"
        measure "mpv" "$server" "$name" "null" mpv --no-video --ao=null --really-quiet "$url"
        measure "vlc" "$server" "$name" "dummy" "${vlc[@]}" -q --no-video --aout=dummy "$url"
    done
done

# The decode-only floor: whole files through the library's decoders, as fast as possible.
floor=$("$build/bin/bench_decode" "$data/audio/bench128.mp3" "$data/audio/bench64.aac")
mp3_floor=$(awk -F'\t' '$2 == "mp3" { split($5, f, " "); print f[1] }' <<< "$floor")
aac_floor=$(awk -F'\t' '$2 == "aac" { split($5, f, " "); print f[1] }' <<< "$floor")

printf "%-16s %-9s %-8s %-10s %9s %9s\n" "player" "server" "stream" "output" "CPU s/min" \
    "peak MiB"
printf "%s\n" "${rows[@]}"
printf "%-16s %-9s %-8s %-10s %9.3f %9s\n" "decode only" "-" "MP3 128" "-" "$mp3_floor" "-"
printf "%-16s %-9s %-8s %-10s %9.3f %9s\n" "decode only" "-" "AAC 64" "-" "$aac_floor" "-"
echo
for server in $servers; do
    awk -v v="$server" -v z="${cpu[zvplay/$server/MP3 128/no sound]}" \
        -v m="${cpu[mpg123/$server/MP3 128/dummy]}" -v a="${cpu[zvplay/$server/AAC 64/no sound]}" \
        -v f="$aac_floor" 'BEGIN {
            printf "%-9s MP3 zvplay/mpg123 %.2f   AAC zvplay/decode floor %.2f\n", v,
                (m > 0 ? z / m : 0), (f > 0 ? a / f : 0) }'
done
if [ ${#wakeups[@]} -gt 0 ]; then
    echo
    echo "zvplay (no sound) by thread after start-up: wake-ups per second, CPU ms per minute:"
    printf "%s\n" "${wakeups[@]}"
fi
