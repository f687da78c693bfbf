#!/usr/bin/env bash
# The receiver beside the desktop radio players a user would pick instead, each with its window
# shown and playing into PulseAudio: CPU seconds per minute of audio and peak memory on the
# same loopback streams as bench/compare/run.sh (the 128 kbit/s MP3 and 64 kbit/s AAC mounts of
# an Icecast server fed at the stream's pace by ffmpeg, and the chained Ogg Vorbis 128 kbit/s
# station of stationd). Every player runs with its window on a private Xvfb display with openbox
# and a private session bus, plays into the null sink of a private PulseAudio server, and has a
# scratch HOME, so it starts with its defaults. The players:
#   zenovia    the receiver, started on the station from the command line (/hallgat 1 for MP3,
#              2 for AAC, 3 for Ogg), its station file from a stationd on 127.0.0.1:8716, the
#              configuration server the build points at; SDL's PulseAudio driver.
#   goodvibes  Goodvibes (GStreamer) given the stream's address on its command line.
#   audacious  Audacious, its default interface, given the address on its command line.
#   qmmp       qmmp given the address on its command line, its output set to PulseAudio in its
#              configuration (it picks ALSA by default). It fills a large buffer before it plays,
#              about 20 s of the MP3 stream and 45 s of the AAC one.
#   vlc        VLC's Qt window (vlc -I qt --no-video --aout=pulse, without its first-start
#              privacy question); as nobody with a scratch home and no session bus when run as
#              root, as VLC refuses root.
#   mpg123     mpg123 -q -o pulse, MP3 only: no window; the receiver's goal is to cost at most
#              1.1 times its CPU time on MP3.
# A run starts the player and waits for its sound on the null sink's monitor (recorded with
# parec with 20 ms of latency and stamped by bench_first_sound: "first sound" is the time from
# the start to the first sound leaving PulseAudio's mixer, so it includes each player's
# buffering and its output's latency; the null sink renders in blocks of up to 2 s, which
# puts every player at about 1.9 s or more, so it tells only which player buffers much longer
# than that), checks that the
# sink input playing belongs to the player's process tree and that the player shows a window
# (not mpg123), then measures as bench/compare/run.sh does: the time on the CPU of every thread
# of the player's process tree from then on over SECONDS_PER_RUN seconds, per minute, and the
# sum of VmHWM over the tree at the end. At the end the player's sink input must still be there
# and the monitor still carry sound. PulseAudio's own CPU time is not counted. Each round plays
# every player on every format, the player order rotated by one each round; the table shows the
# median of the rounds, and below it the goals: the receiver the lightest of the windowed
# players in CPU and in memory on every format, and within 1.1 times mpg123's CPU on MP3.
# Installs the players, their GStreamer plug-ins, PulseAudio, icecast2, ffmpeg, curl, openbox,
# xdotool and x11-utils from Debian when they are missing.
#
# Usage: bench/desktop/run.sh [BUILD_DIR [RUNS]]   (defaults: build, 3)
#        SECONDS_PER_RUN=10 bench/desktop/run.sh   (a shorter measured time; default 25)
#        FORMATS="mp3 aac" bench/desktop/run.sh    (some of the formats; default "mp3 aac ogg")
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
runs=${2:-3}
seconds=${SECONDS_PER_RUN:-25}
config_port=8716
data=tests/data
players=(zenovia goodvibes audacious qmmp vlc mpg123)
windowed=(zenovia goodvibes audacious qmmp vlc)
read -r -a formats <<< "${FORMATS:-mp3 aac ogg}"
libraries=(libzvaudio_aac.so)
[[ " ${formats[*]} " != *" ogg "* ]] || libraries+=(libzvaudio_ogg.so)

source bench/support/programfolder.sh
program_folder_ready "$config_port" zenovia stationd bench_first_sound "${libraries[@]}" zv0.skn

source bench/support/packages.sh
install_missing goodvibes gstreamer1.0-plugins-good gstreamer1.0-plugins-bad \
    gstreamer1.0-plugins-ugly audacious audacious-plugins qmmp vlc-bin vlc-plugin-base \
    vlc-plugin-qt mpg123 pulseaudio pulseaudio-utils dbus icecast2 ffmpeg curl openbox xdotool \
    x11-utils

icecast_burst=65535
source bench/support/stations.sh
source bench/support/median.sh
source bench/support/display.sh
source bench/support/pulse.sh
source bench/support/player.sh
source bench/support/measure.sh

reader=()  # the parec recording the null sink's monitor and the bench_first_sound stamping it
stop_reader() {
    [ ${#reader[@]} -gt 0 ] || return 0
    kill "${reader[@]}" 2> /dev/null || true
    wait "${reader[@]}" 2> /dev/null || true
    reader=()
}
trap 'stop_player; stop_reader; cleanup' EXIT

# A private session bus for the players that need one (Goodvibes), exported to all of them.
start_session_bus() {
    dbus-daemon --session --nofork --print-address=3 3> "$tmp/bus" 2> /dev/null &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$tmp/bus" ] && break
        sleep 0.1
    done
    [ -s "$tmp/bus" ] || { echo "the session bus did not start" >&2; exit 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$tmp/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# VLC refuses to run as root; it runs as nobody then, with a scratch home and without the
# session bus, which only root may use.
vlc_user=()
if [ "$(id -u)" -eq 0 ]; then
    vlc_user=("${as_nobody[@]}" env -u DBUS_SESSION_BUS_ADDRESS)
fi

# start PLAYER FORMAT: starts PLAYER on FORMAT's station with a scratch home and sets $player.
start() {
    local url=$mp3_url station=1 home
    [ "$2" = aac ] && url=$aac_url station=2
    [ "$2" = ogg ] && url=$ogg_url station=3
    home=$(mktemp -d "$tmp/home.XXXX")
    mkdir -m 700 "$home/.config" "$home/temp" "$home/runtime"
    local session=(env HOME="$home" XDG_CONFIG_HOME="$home/.config"
        XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share"
        XDG_RUNTIME_DIR="$home/runtime")
    case $1 in
        zenovia)
            "${session[@]}" TEMP="$home/temp" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=pulseaudio \
                "$build/bin/zenovia" /hallgat "$station" > "$tmp/player.log" 2>&1 &
            ;;
        goodvibes)
            "${session[@]}" goodvibes "$url" > "$tmp/player.log" 2>&1 &
            ;;
        audacious)
            "${session[@]}" audacious "$url" > "$tmp/player.log" 2>&1 &
            ;;
        qmmp)
            mkdir "$home/.qmmp"
            printf '%s\n' '[Output]' 'current_plugin=pulse' > "$home/.qmmp/qmmprc"
            "${session[@]}" qmmp "$url" > "$tmp/player.log" 2>&1 &
            ;;
        vlc)
            [ ${#vlc_user[@]} -eq 0 ] || chown -R nobody "$home"
            "${vlc_user[@]}" "${session[@]}" vlc -I qt --no-qt-privacy-ask --no-video \
                --aout=pulse "$url" > "$tmp/player.log" 2>&1 &
            ;;
        mpg123)
            "${session[@]}" mpg123 -q -o pulse "$url" > "$tmp/player.log" 2>&1 &
            ;;
    esac
    player=$!
}

# Fails unless a sink input of the player's process tree plays into the null sink.
check_sink_input() {
    local tree
    tree=" $(tree_of "$player" | tr '\n' ' ')"
    if ! sink_inputs | awk '{ print " " $2 " " }' | grep -qF -f - <(echo "$tree"); then
        echo "$1: no sink input of the player's; the sink inputs:" >&2
        pactl list sink-inputs >&2
        exit 1
    fi
}

# Fails unless the null sink's monitor carries sound that is not silence within a second.
check_sound() {
    local bytes
    bytes=$(timeout 1 parec --raw --latency-msec=20 -d bench.monitor 2> /dev/null |
        tr -d '\0' | wc -c || true)
    if [ "$bytes" -eq 0 ]; then
        echo "$1: the null sink carries no sound; the player's output:" >&2
        cat "$tmp/player.log" >&2
        exit 1
    fi
}

# measure PLAYER FORMAT: one run; appends its first sound in ms, CPU seconds per minute and
# peak memory in MiB to $tmp/PLAYER-FORMAT.{first,cpu,rss}.
measure() {
    local name=$1-$2 output=$tmp/output start_ns first_ns=
    rm -f "$output"
    mkfifo "$output"
    "$build/bin/bench_first_sound" "$output" > "$tmp/first" &
    reader=($!)
    parec --raw --latency-msec=20 -d bench.monitor > "$output" 2> /dev/null &
    reader+=($!)
    start_ns=$(date +%s%N)
    start "$1" "$2"
    for _ in $(seq 900); do
        first_ns=$(head -n 1 "$tmp/first")
        [ -n "$first_ns" ] && break
        check_alive "$name"
        sleep 0.1
    done
    if [ -z "$first_ns" ]; then
        echo "$name: no sound within 90 s; the player's output:" >&2
        cat "$tmp/player.log" >&2
        exit 1
    fi
    stop_reader
    check_sink_input "$name"
    if [ "$1" = zenovia ]; then
        [ -n "$(window_of "$player")" ] || { echo "$name: no window titled Zenovia" >&2; exit 1; }
    elif [ "$1" != mpg123 ] && ! shows_window "$player"; then
        echo "$name: the player shows no window" >&2
        exit 1
    fi
    measure_tree "$name"
    check_sink_input "$name"
    check_sound "$name"
    stop_player
    echo $(((first_ns - start_ns) / 1000000)) >> "$tmp/$name.first"
}

start_format_stations "$config_port"
start_display
start_pulse
start_session_bus

run_rounds
print_table 10 "first sound ms"

# goal FORMAT FIGURE: whether the receiver's median FIGURE (cpu or rss) on FORMAT is the lowest
# of the windowed players'.
goal() {
    local name lightest=zenovia
    for name in "${windowed[@]}"; do
        awk -v a="$(cat "$tmp/$name-$1.$2-median")" \
            -v b="$(cat "$tmp/$lightest-$1.$2-median")" 'BEGIN { exit !(a < b) }' &&
            lightest=$name
    done
    if [ "$lightest" = zenovia ]; then
        echo "met"
    else
        echo "not met: $lightest is lighter"
    fi
}
for format in "${formats[@]}"; do
    echo "goal, the lightest windowed player on $format: CPU $(goal "$format" cpu)," \
        "memory $(goal "$format" rss)"
done
if [[ " ${formats[*]} " = *" mp3 "* ]]; then
    awk -v z="$(cat "$tmp/zenovia-mp3.cpu-median")" -v m="$(cat "$tmp/mpg123-mp3.cpu-median")" \
        'BEGIN { printf "goal, at most 1.1 times mpg123'"'"'s CPU on mp3: %.2f times, %s\n",
            z / m, z <= 1.1 * m ? "met" : "not met" }'
fi
