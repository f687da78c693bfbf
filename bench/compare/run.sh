#!/usr/bin/env bash
# The receiver beside other players on the same loopback streams: CPU seconds per minute of
# audio, peak memory and the time from start to first audio, on the 128 kbit/s MP3 and the
# 64 kbit/s AAC mount of an Icecast server fed at the stream's pace by ffmpeg (titles changing
# every 20 s, a new listener getting Icecast's default burst of 64 KiB), and on a chained Ogg
# Vorbis 128 kbit/s station (the Ogg benchmark stream, two titled chains of 10 s, looped) served
# by stationd, which paces as Icecast does and bursts 64 KiB too (ffmpeg reads chained Ogg badly,
# so it cannot feed Icecast one), and on a live HLS station of the AAC stream (MPEG-TS segments
# of 4 s, titles in a timed ID3 stream) served by stationd. The players and their outputs:
#   zenovia  the receiver with its window shown on a private Xvfb display with openbox, started
#            on the station from the command line (/hallgat 1 for MP3, 2 for AAC, 3 for Ogg,
#            4 for HLS)
#            with its own HOME and TEMP; its station file comes from a stationd on
#            127.0.0.1:8716, the configuration server the build points at, and lists the
#            stations. Output: SDL's disk driver.
#   zvplay   the audio library's command-line player, with --quiet (no status line), as mpg123
#            runs with -q. Output: SDL's disk driver.
#   mpv      mpv --no-video --no-config. Output: --ao=pcm without a WAV header.
#   mpg123   MP3 only; its other rows say so. Output: raw samples on stdout (-s).
#   vlc      cvlc (as nobody with a scratch home when run as root: VLC refuses root). Output:
#            its afile module without a WAV header.
# Every output is the same FIFO, drained by bench_first_sound. The figures:
#   first audio  from just before the player is started to the first byte of its output that is
#                not zero, stamped by bench_first_sound: every player is measured at the same
#                place, its decoded sound, whatever it buffers before. SDL's disk driver takes
#                samples at a sound card's pace, one device buffer (4096 frames, 93 ms) at a
#                time, while the file outputs take them as soon as they are decoded, which can
#                leave zenovia and zvplay behind by up to one device buffer.
#   CPU          time on the CPU (user and system) of every thread of the player's process tree
#                from its first audio to the run's end, per minute of that time. It is read
#                from /proc/PID/task/TID/schedstat, in nanoseconds where utime and stime count
#                10-ms ticks, once a second, so a thread that ends meanwhile counts up to its
#                last reading.
#   peak RSS     the sum of VmHWM over the process tree at the run's end (each player is one
#                process).
# Each round plays every player on every format, the player order rotated by one each round;
# the table shows the median of the rounds. Installs the other players, icecast2, ffmpeg, curl,
# openbox, xdotool and x11-utils from Debian when they are missing.
#
# Usage: bench/compare/run.sh [BUILD_DIR [RUNS]]   (defaults: build, 3)
#        SECONDS_PER_RUN=10 bench/compare/run.sh   (a shorter measured time; default 25)
#        FORMATS="mp3 aac" bench/compare/run.sh    (some of the formats; default "mp3 aac ogg hls")
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
runs=${2:-3}
seconds=${SECONDS_PER_RUN:-25}
config_port=8716
data=tests/data
players=(zenovia zvplay mpv mpg123 vlc)
read -r -a formats <<< "${FORMATS:-mp3 aac ogg hls}"
libraries=(libzvaudio_aac.so)
[[ " ${formats[*]} " != *" ogg "* ]] || libraries+=(libzvaudio_ogg.so)

source bench/support/programfolder.sh
program_folder_ready "$config_port" \
    zenovia zvplay stationd bench_first_sound "${libraries[@]}" zv0.skn

source bench/support/packages.sh
install_missing mpv mpg123 vlc-bin vlc-plugin-base icecast2 ffmpeg curl openbox xdotool x11-utils

icecast_burst=65535
source bench/support/stations.sh
source bench/support/median.sh
source bench/support/display.sh
source bench/support/player.sh
source bench/support/measure.sh

reader=  # the bench_first_sound draining the current run's output
stop_reader() {
    [ -n "$reader" ] || return 0
    kill "$reader" 2> /dev/null || true
    wait "$reader" 2> /dev/null || true
    reader=
}
trap 'stop_player; stop_reader; cleanup' EXIT

# start PLAYER FORMAT OUTPUT: starts PLAYER on FORMAT's mount writing its sound into the FIFO
# OUTPUT and sets $player.
start() {
    local url=$mp3_url station=1
    [ "$2" = aac ] && url=$aac_url station=2
    [ "$2" = ogg ] && url=$ogg_url station=3
    [ "$2" = hls ] && url=$hls_url station=4
    case $1 in
        zenovia)
            local home
            home=$(mktemp -d "$tmp/home.XXXX")
            mkdir -m 700 "$home/.config" "$home/temp" "$home/runtime"
            HOME=$home XDG_CONFIG_HOME=$home/.config TEMP=$home/temp \
                XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk \
                SDL_DISKAUDIOFILE=$3 "$build/bin/zenovia" /hallgat "$station" \
                > "$tmp/player.log" 2>&1 &
            ;;
        zvplay)
            SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$3 "$build/bin/zvplay" --quiet "$url" \
                > "$tmp/player.log" 2>&1 &
            ;;
        mpv)
            mpv --no-config --no-video --really-quiet --ao=pcm --ao-pcm-waveheader=no \
                --ao-pcm-file="$3" "$url" > "$tmp/player.log" 2>&1 &
            ;;
        mpg123)
            mpg123 -q -s "$url" > "$3" 2> "$tmp/player.log" &
            ;;
        vlc)
            "${vlc[@]}" -q --no-video --aout=afile --no-audiofile-wav --audiofile-file="$3" \
                "$url" > "$tmp/player.log" 2>&1 &
            ;;
    esac
    player=$!
}

# measure PLAYER FORMAT: one run; appends its first audio in ms, CPU seconds per minute and
# peak memory in MiB to $tmp/PLAYER-FORMAT.{first,cpu,rss}.
measure() {
    local name=$1-$2 output=$tmp/output start_ns first_ns=
    rm -f "$output"
    mkfifo -m 666 "$output"
    "$build/bin/bench_first_sound" "$output" > "$tmp/first" &
    reader=$!
    start_ns=$(date +%s%N)
    start "$1" "$2" "$output"
    for _ in $(seq 300); do
        first_ns=$(head -n 1 "$tmp/first")
        [ -n "$first_ns" ] && break
        check_alive "$name"
        sleep 0.1
    done
    [ -n "$first_ns" ] || { echo "$name: no sound within 30 s" >&2; cat "$tmp/player.log" >&2; exit 1; }
    if [ "$1" = zenovia ] && [ -z "$(window_of "$player")" ]; then
        echo "$name: no window titled Zenovia appeared" >&2
        exit 1
    fi
    measure_tree "$name"
    stop_player
    stop_reader
    echo $(((first_ns - start_ns) / 1000000)) >> "$tmp/$name.first"
}

start_format_stations "$config_port"
start_display

run_rounds
print_table 8 "first audio ms"
