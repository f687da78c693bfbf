#!/usr/bin/env bash
# What keeping the current title's bytes costs in memory: the peak RSS (VmHWM) of the receiver
# playing a 128 kbit/s MP3 station that sends one title for a whole hour, beside a receiver
# built without the look-back (BASE_BUILD_DIR, a build of an earlier commit) playing the same
# station at the same time. Both are installed into prefixes of their own and run side by side
# on one private Xvfb display with openbox, each in a home, TEMP and runtime folder of its own,
# with SDL's dummy driver; stationd serves the station on loopback. At the end the script prints
# both peaks, their difference and the size of the kept file (the receiver's nameless file in
# its TEMP folder), read through /proc/PID/fd.
#
# Usage: bench/lookback/run.sh BASE_BUILD_DIR [BUILD_DIR]   (defaults: BUILD_DIR = build)
#        SECONDS_TO_PLAY=600 bench/lookback/run.sh ...     (a shorter hour; default 3600)
set -euo pipefail
cd "$(dirname "$0")/../.."
base=$(realpath "$1")
build=$(realpath "${2:-build}")
seconds=${SECONDS_TO_PLAY:-3600}

source bench/support/packages.sh
install_missing openbox xdotool x11-utils
source bench/support/stations.sh
source bench/support/display.sh

mkdir -p "$tmp/station/audio"
cp tests/data/audio/bench128.mp3 "$tmp/station/audio/"
printf '[/egy]\nfile=audio/bench128.mp3\nicy-name=Egy\nicy-br=128\ntitles=Egy hosszú szám\n' \
    > "$tmp/station/stations.ini"
run_stationd "$tmp/station" 0
start_display

# run_receiver NAME BUILD: installs BUILD into $tmp/NAME and starts it on the station; sets
# pid_NAME.
run_receiver() {
    local folder=$tmp/$1
    cmake --install "$2" --prefix "$folder/prefix" > /dev/null
    printf '[Main]\r\npictdef=def\r\n[Adok]\r\nadoUrl0=%s\r\nadoNam0=Egy\r\npictur0=def\r\nenable0=1\r\n' \
        "http://127.0.0.1:$stationd_port/egy" > "$folder/prefix/lib/zenovia/zvadok.ini"
    mkdir -p "$folder/home" "$folder/temp" "$folder/runtime"
    chmod 700 "$folder/home" "$folder/temp" "$folder/runtime"
    HOME=$folder/home XDG_CONFIG_HOME=$folder/home/.config TEMP=$folder/temp \
        XDG_RUNTIME_DIR=$folder/runtime SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb \
        "$folder/prefix/lib/zenovia/zenovia" /hallgat 1 > "$folder/log" 2>&1 &
    pids+=($!)
    printf -v "pid_$1" %s "$!"
}

# The size of the largest file process PID holds open in the folder FOLDER, 0 when none.
kept_bytes() {
    local fd largest=0 size
    for fd in /proc/"$1"/fd/*; do
        [[ $(readlink "$fd" 2> /dev/null) == "$2"/* ]] || continue
        size=$(stat -L -c %s "$fd" 2> /dev/null || echo 0)
        [ "$size" -le "$largest" ] || largest=$size
    done
    echo "$largest"
}

peak_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }

run_receiver base "$base"
run_receiver lookback "$build"
echo "$(date +%T) both receivers play; measuring for $seconds s"
sleep "$seconds"
for pid in "$pid_base" "$pid_lookback"; do
    kill -0 "$pid" 2> /dev/null || { echo "a receiver has ended" >&2; exit 1; }
done
base_kib=$(peak_kib "$pid_base")
lookback_kib=$(peak_kib "$pid_lookback")
kept=$(kept_bytes "$pid_lookback" "$tmp/lookback/temp")
printf '| receiver | peak RSS KiB |\n|---|---|\n| without the look-back | %d |\n' "$base_kib"
printf '| with the look-back | %d |\n| difference | %d |\n' "$lookback_kib" \
    $((lookback_kib - base_kib))
printf 'kept after %d s: %d bytes (%.1f MiB)\n' "$seconds" "$kept" \
    "$(echo "$kept / 1048576" | bc -l)"
