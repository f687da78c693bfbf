#!/usr/bin/env bash
# The installed receiver against a real Icecast server, watched from outside as a user sees it:
# a loopback Icecast fed by ffmpeg with an MP3 and an AAC mount whose titles change through its
# admin interface, the receiver on a private Xvfb display with openbox, its sound going to
# SDL's disk driver. It starts the MP3 station from the command line, switches recording on in
# the settings dialog, reads the minimised window's caption, gets one decodable recording file
# per title, hands the AAC station over from a second start, turns the volume with the mouse
# wheel, closes the window through the window manager and reads the stored settings.
#
# Usage: tests/e2e/icecast.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
data=tests/data
source bench/support/stations.sh
source bench/support/display.sh
source tests/e2e/receiver.sh

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

step() { echo "$(date +%T) $*"; }

# The window of the receiver titled exactly TITLE, once it is shown.
window_named() {
    timeout 20 xdotool search --sync --onlyvisible --pid "$receiver" --name "^$1\$" | head -n 1
}
window_gone() { ! xdotool search --onlyvisible --name "^$1\$" > /dev/null; }
receiver_ended() { ! kill -0 "$receiver" 2> /dev/null; }
caption_is() { [ "$(xdotool getwindowname "$win")" = "$1" ]; }
window_state_is() { xprop -id "$win" WM_STATE | grep -q "window state: $1"; }
windows_shown() { [ "$(xdotool search --onlyvisible --pid "$receiver" | wc -l)" -ge "$1" ]; }
has_bytes() { [ -s "$1" ] && [ "$(stat -c %s "$1")" -ge "$2" ]; }
# A recording file of the current station: "<title>_<button caption>.<extension>".
recording() { echo "$program/$1_$2"; }

# whole_frames FILE: the length of the recording FILE up to the end of its last whole frame. A
# recording starts with a frame header and is cut where the title changes in the stream, mostly
# inside a frame; fails unless FILE starts with a header and every frame up to there is whole.
# (MP3: MPEG-1 Layer III, the test stream's format.)
whole_frames() {
    od -An -v -tu1 "$1" | awk -v adts="$([[ $1 == *.aac ]] && echo 1 || echo 0)" '
        function size(at,   bits) {
            if (b[at] != 255) return 0
            if (adts) {
                if (int(b[at + 1] / 16) != 15) return 0
                return (b[at + 3] % 4) * 2048 + b[at + 4] * 8 + int(b[at + 5] / 32)
            }
            if (b[at + 1] != 250 && b[at + 1] != 251) return 0
            bits = b[at + 2]
            return int(144000 * kbps[int(bits / 16)] / rate[int(bits / 4) % 4]) + int(bits / 2) % 2
        }
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        END {
            split("32 40 48 56 64 80 96 112 128 160 192 224 256 320", kbps, " ")
            rate[0] = 44100; rate[1] = 48000; rate[2] = 32000; rate[3] = 0
            for (at = 0; at + 7 <= n && at + size(at) <= n; at += size(at))
                if (size(at) < 7) exit 1
            print at
        }'
}

# Fails unless ffmpeg decodes the whole frames of the recording FILE without a single complaint.
check_decodes() {
    local length complaints
    if ! length=$(whole_frames "$1"); then
        echo "$1: no frame header at its start, or a damaged frame" >&2
        exit 1
    fi
    head -c "$length" "$1" > "$tmp/frames"
    complaints=$(ffmpeg -nostdin -v error -i "$tmp/frames" -f null - 2>&1) || true
    if [ -n "$complaints" ] || ! ffmpeg -nostdin -v quiet -i "$tmp/frames" -f null -; then
        echo "$1 does not decode cleanly:" >&2
        echo "$complaints" >&2
        exit 1
    fi
    step "decodes cleanly: ${1##*/} (its first $length of $(stat -c %s "$1") bytes)"
}

step "start: zenovia /hallgat 1"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/sound.raw QT_QPA_PLATFORM=xcb \
    start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }

step "recording on: window menu (Shift+F10), Beállítások, the recording box, OK"
timeout 20 xdotool windowactivate --sync "$win"
xdotool key shift+F10
wait_for "the window menu opens" 10 windows_shown 2
xdotool key b
dialog=$(window_named 'Beállítások') || true
[ -n "$dialog" ] || { echo "the settings dialog did not open" >&2; exit 1; }
timeout 20 xdotool windowactivate --sync "$dialog"
# The focus starts in the proxy box; the recording box is the third control after it.
xdotool key Tab Tab Tab space Return
wait_for "the settings dialog closes" 10 window_gone 'Beállítások'

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

step "close through the window manager"
wmctrl -i -c "$win"
wait_for "the receiver ends" 30 receiver_ended
status=0
wait "$receiver" || status=$?
[ "$status" -eq 0 ] || { echo "the receiver ended with status $status" >&2; exit 1; }
[ ! -e "$program/Error.log" ] || { echo "Error.log:" >&2; cat "$program/Error.log" >&2; exit 1; }
[ -s "$tmp/sound.raw" ] || { echo "no sound reached the disk device" >&2; exit 1; }

step "stored settings:"
cat "$settings"
stored() { sed -n "s/^$1=//p" "$settings"; }
[ "$(stored Hangero)" = 40 ] || { echo "Hangero is not 40" >&2; exit 1; }
[ "$(stored Hangkartya)" = 1 ] || { echo "Hangkartya is not 1" >&2; exit 1; }
! grep -q '^\[Ablak\]' "$settings" || { echo "the window's id was left stored" >&2; exit 1; }
step "recordings: $(cd "$program" && ls -- *.mp3 *.aac | tr '\n' ' ')"
step "all checks passed"
