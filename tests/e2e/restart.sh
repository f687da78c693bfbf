#!/usr/bin/env bash
# The installed receiver stays on the air while its Icecast server restarts, watched from outside
# as a user sees it: a loopback Icecast fed by ffmpeg, the receiver minimised on a private Xvfb
# display with openbox, its sound going to SDL's disk driver. The server and its source go away
# and come back on the same port; the station keeps playing without a click from the user, the
# minimised caption shows the titles sent after the restart, no box opens and no Error.log is
# written.
#
# Usage: tests/e2e/restart.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
data=tests/data
source bench/support/stations.sh
source bench/support/display.sh
source tests/e2e/receiver.sh
source tests/e2e/window.sh

install_receiver
icecast_title_loop=0 start_icecast
set_icecast_title mp3 "Elso cim"
printf '[Main]\r\npictdef=def\r\n[Adok]\r\n' > "$program/zvadok.ini"
printf 'adoUrl0=%s\r\nadoNam0=Teszt MP3\r\npictur0=def\r\nenable0=1\r\n' "$mp3_url" \
    >> "$program/zvadok.ini"
start_display

caption_is() { [ "$(xdotool getwindowname "$win")" = "$1" ]; }
caption_starts() { [[ "$(xdotool getwindowname "$win")" == "$1"* ]]; }

step "start: zenovia /hallgat 1, minimised"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/sound.raw QT_QPA_PLATFORM=xcb \
    start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
timeout 20 xdotool windowminimize --sync "$win"
set_icecast_title mp3 "Masodik cim"
wait_for "the caption of the playing station" 30 caption_is "Zenovia - Teszt MP3: Masodik cim"

step "restart: Icecast and its source go away and come back"
restart_icecast
# A title sent while the receiver still refills its buffer does not reach the caption, which
# names only a station that plays: titles go on changing until one does.
(
    for ((n = 1; ; n++)); do
        set_icecast_title mp3 "Visszatert $n" || true
        sleep 2
    done
) &
pids+=($!)
wait_for "the caption after the restart" 60 caption_starts "Zenovia - Teszt MP3: Visszatert"
step "caption: $(xdotool getwindowname "$win")"
check_running
wait_for "only the main window is shown" 5 \
    [ "$(xdotool search --onlyvisible --pid "$receiver" | wc -l)" -le 1 ]

close_through_window_manager "$win"
[ ! -e "$error_log" ] || { echo "Error.log:" >&2; cat "$error_log" >&2; exit 1; }
step "all checks passed"
