#!/usr/bin/env bash
# The installed receiver against a real Icecast server, watched from outside as a user sees it:
# a loopback Icecast fed by ffmpeg with an MP3 and an AAC mount whose titles change through its
# admin interface, the receiver on a private Xvfb display with openbox, its sound going to
# SDL's disk driver. It starts the MP3 station from the command line, switches recording on in
# the settings dialog, reads the minimised window's caption, gets one decodable recording file
# per title, restarts Icecast and its sources while the station plays (it plays on by itself),
# hands the AAC station over from a second start, turns the volume with the mouse wheel, closes
# the window through the window manager and reads the stored settings.
#
# Usage: tests/e2e/icecast.sh BUILD_DIR
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
set_icecast_title aac "AAC elso"
printf '[Main]\r\npictdef=def\r\n[Adok]\r\n' > "$program/zvadok.ini"
printf 'adoUrl%d=%s\r\nadoNam%d=%s\r\npictur%d=def\r\nenable%d=1\r\n' \
    0 "$mp3_url" 0 "Teszt MP3" 0 0 1 "$aac_url" 1 "Teszt AAC" 1 1 >> "$program/zvadok.ini"
mkdir -p "$(dirname "$settings")"
printf '[Beallitasok]\nHangero=30\nHangkartya=1\n' > "$settings"
start_display

caption_is() { [ "$(xdotool getwindowname "$win")" = "$1" ]; }
window_state_is() { xprop -id "$win" WM_STATE | grep -q "window state: $1"; }
# A recording file of the current station: "<title>_<button caption>.<extension>".
recording() { echo "$program/$1_$2"; }

step "start: zenovia /hallgat 1"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/sound.raw QT_QPA_PLATFORM=xcb \
    start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }

switch_recording_on "$win"

mp3_first=$(recording "Elso cim" "Teszt MP3.mp3")
wait_for "the recording of the first title" 60 has_bytes "$mp3_first" 32768
step "recording: ${mp3_first##*/}"
set_icecast_title mp3 "Masodik cim"
mp3_second=$(recording "Masodik cim" "Teszt MP3.mp3")
wait_for "the recording of the second title" 30 has_bytes "$mp3_second" 32768
step "recording: ${mp3_second##*/}"
set_icecast_title mp3 "Harmadik cim"
wait_for "the recording of the third title" 30 test -e "$(recording "Harmadik cim" "Teszt MP3.mp3")"
check_decodes "$mp3_first"
check_decodes "$mp3_second"

step "minimise: the caption names the station and the title"
timeout 20 xdotool windowminimize --sync "$win"
wait_for "the minimised caption" 20 caption_is "Zenovia - Teszt MP3: Harmadik cim"
set_icecast_title mp3 "Negyedik cim"
wait_for "the minimised caption follows the title" 30 caption_is "Zenovia - Teszt MP3: Negyedik cim"
step "caption: $(xdotool getwindowname "$win")"

step "restart: Icecast and its sources go away and come back on the same port"
restart_icecast
set_icecast_title aac "AAC elso"
# A title sent while the receiver still refills its buffer does not reach the caption, which
# names only a station that plays: titles go on changing until one does.
(
    for ((n = 1; ; n++)); do
        set_icecast_title mp3 "Visszatert $n" || true
        sleep 2
    done
) &
titles=$!
caption_starts() { [[ "$(xdotool getwindowname "$win")" == "$1"* ]]; }
wait_for "the caption after the restart" 60 caption_starts "Zenovia - Teszt MP3: Visszatert"
kill "$titles"
step "caption: $(xdotool getwindowname "$win")"
check_running

step "second start: zenovia /hallgat 2 hands over"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/second.raw QT_QPA_PLATFORM=xcb \
    timeout 20 "$prefix/bin/zenovia" /hallgat 2
wait_for "the window is restored" 20 window_state_is Normal
wait_for "the restored caption" 20 caption_is Zenovia

step "volume: two wheel steps up on the window"
xdotool mousemove --window "$win" 40 40 click 4 click 4

aac_first=$(recording "AAC elso" "Teszt AAC.aac")
wait_for "the recording of the first AAC title" 60 has_bytes "$aac_first" 16384
step "recording: ${aac_first##*/}"
set_icecast_title aac "AAC masodik"
wait_for "the recording of the second AAC title" 30 \
    test -e "$(recording "AAC masodik" "Teszt AAC.aac")"
check_decodes "$aac_first"
timeout 20 xdotool windowminimize --sync "$win"
wait_for "the minimised caption of the AAC station" 20 caption_is "Zenovia - Teszt AAC: AAC masodik"
step "caption: $(xdotool getwindowname "$win")"
check_running

close_through_window_manager "$win"
[ ! -e "$error_log" ] || { echo "Error.log:" >&2; cat "$error_log" >&2; exit 1; }
[ -s "$tmp/sound.raw" ] || { echo "no sound reached the disk device" >&2; exit 1; }

step "stored settings:"
cat "$settings"
stored() { sed -n "s/^$1=//p" "$settings"; }
[ "$(stored Hangero)" = 40 ] || { echo "Hangero is not 40" >&2; exit 1; }
[ "$(stored Hangkartya)" = 1 ] || { echo "Hangkartya is not 1" >&2; exit 1; }
! grep -q '^\[Ablak\]' "$settings" || { echo "the window's id was left stored" >&2; exit 1; }
step "recordings: $(cd "$program" && ls -- *.mp3 *.aac | tr '\n' ' ')"
step "all checks passed"
