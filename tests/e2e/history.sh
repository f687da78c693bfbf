#!/usr/bin/env bash
# The titles heard, watched from outside as a user meets them: the installed receiver on a
# private Xvfb display with openbox plays a loopback stationd whose title changes every few
# seconds (one with "&", one with accents); each title becomes one line of the history file in
# the user's state folder. The window menu (Shift+F10, then "e") opens "Elhangzott számok",
# where a filter typed without accents ("kovacs") keeps the accented title's lines; Tab, Ctrl+A
# and Ctrl+C put them on the clipboard as the file holds them, Tab and space press "Másolás" and
# then "Bezárás", and Esc closes it when opened again. Last, the history folder is made
# unwritable: one Error.log line, and the station plays on (its sound goes to SDL's disk driver).
#
# Usage: tests/e2e/history.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
source bench/support/stations.sh
source bench/support/display.sh
source tests/e2e/receiver.sh
source tests/e2e/window.sh

install_receiver
export XDG_STATE_HOME=$tmp/state
history_file=$XDG_STATE_HOME/zenovia/elhangzott.tsv
titles=("Kovács Kati - Add már, Uram, az esőt" "Rock & Roll" "Zorán - Kép a falon")

mkdir -p "$tmp/station/audio"
cp tests/data/audio/tone44.mp3 "$tmp/station/audio/"
{
    printf '[/hist]\nfile=audio/tone44.mp3\nmetaint=8192\ntitle_interval=3\n'
    printf 'titles=%s|%s|%s\n' "${titles[@]}"
} > "$tmp/station/stations.ini"
run_stationd "$tmp/station" 0
printf '[Main]\r\npictdef=def\r\n[Adok]\r\n' > "$program/zvadok.ini"
printf 'adoUrl0=http://127.0.0.1:%s/hist\r\nadoNam0=Teszt Adó\r\npictur0=def\r\nenable0=1\r\n' \
    "$stationd_port" >> "$program/zvadok.ini"
start_display

# Whether the history file has a line for every title of the schedule.
all_titles_heard() {
    local title
    for title in "${titles[@]}"; do
        grep -qF -- "	Teszt Adó	$title" "$history_file" 2> /dev/null || return 1
    done
}
line_format='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}	Teszt Adó	'

step "start: zenovia /hallgat 1"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/sound.raw QT_QPA_PLATFORM=xcb \
    start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
wait_for "a history line for every title" 60 all_titles_heard
step "history file:"
cat "$history_file"
[ "$(stat -c %a "$history_file")" = 600 ] || { echo "the history file is not 0600" >&2; exit 1; }
if grep -vE "$line_format" "$history_file"; then
    echo "the lines above are not time, station, title" >&2
    exit 1
fi
if [ -n "$(cut -f 2- "$history_file" | uniq -d)" ]; then
    echo "a line repeats the one before it" >&2
    exit 1
fi

step "dialog: window menu (Shift+F10), e, filter \"kovacs\", Tab, Ctrl+A, Ctrl+C"
heard_before=$(grep -cF -- "	${titles[0]}" "$history_file")
open_from_menu "$win" e 'Elhangzott számok'
xdotool type --delay 50 kovacs
xdotool key Tab ctrl+a ctrl+c
clipboard() { xclip -o -selection clipboard 2> /dev/null; }
copied() { [ -n "$(clipboard)" ]; }
wait_for "the copied lines on the clipboard" 10 copied
step "clipboard:"
clipboard | tee "$tmp/copied"
# The title comes back while the dialog is open, so the file may have a newer line than the copy.
count=$(wc -l < "$tmp/copied")
expected=$(grep -F -- "	${titles[0]}" "$history_file" | tac | tail -n "$count")
[ "$count" -ge "$heard_before" ] && [ "$(cat "$tmp/copied")" = "$expected" ] ||
    { echo "the clipboard is not the file's \"${titles[0]}\" lines, newest first" >&2; exit 1; }

step "Tab, space: Másolás copies again; Tab, space: Bezárás closes"
printf '' | xclip -selection clipboard
xdotool key Tab space
wait_for "Másolás copies the lines" 10 copied
xdotool key Tab space
wait_for "Bezárás closes the history dialog" 10 window_gone 'Elhangzott számok'

step "Esc closes the dialog opened again"
open_from_menu "$win" e 'Elhangzott számok'
xdotool key Escape
wait_for "Esc closes the history dialog" 10 window_gone 'Elhangzott számok'
check_running

step "unwritable history: one Error.log line, the sound plays on"
mv "$XDG_STATE_HOME/zenovia" "$tmp/state-aside"
touch "$XDG_STATE_HOME/zenovia"
sound_before=$(stat -c %s "$tmp/sound.raw")
# The minimised window's caption names each title: two more are heard without a place to go.
timeout 20 xdotool windowminimize --sync "$win"
caption_is() { [ "$(xdotool getwindowname "$win")" = "Zenovia - Teszt Adó: $1" ]; }
wait_for "the caption names \"${titles[2]}\"" 30 caption_is "${titles[2]}"
wait_for "the caption names \"${titles[0]}\"" 30 caption_is "${titles[0]}"
[ "$(wc -l < "$error_log")" -eq 1 ] || { echo "Error.log is not one line:" >&2; cat "$error_log" >&2; exit 1; }
step "Error.log: $(cat "$error_log")"
[ "$(stat -c %s "$tmp/sound.raw")" -gt "$sound_before" ] &&
    [ -n "$(tail -c 65536 "$tmp/sound.raw" | tr -d '\0' | head -c 1)" ] ||
    { echo "the sound stopped" >&2; exit 1; }
kill -0 "$receiver" || { echo "the receiver has ended" >&2; exit 1; }

close_through_window_manager "$win"
step "all checks passed"
