#!/usr/bin/env bash
# An HLS station as a user meets it: the installed receiver on a private Xvfb display with
# openbox, recording switched on, plays a loopback stationd live playlist of MPEG-TS segments
# whose titles (a timed ID3 stream) change every three seconds, in the middle of a segment. The
# titles become lines of the history in turn, and a title's recording is an .aac file of whole
# ADTS frames from the title's first frame to its last (three seconds, to within a frame) that
# decodes cleanly by itself. Then a master playlist of packed-audio variants plays in its turn.
#
# Usage: tests/e2e/hls.sh BUILD_DIR
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
run_stationd tests/data 0
{
    printf '[Main]\r\npictdef=def\r\n[Adok]\r\n'
    printf 'adoUrl0=http://127.0.0.1:%s/hls/ts/live.m3u8\r\nadoNam0=HLS\r\npictur0=def\r\nenable0=1\r\n' \
        "$stationd_port"
    printf 'adoUrl1=http://127.0.0.1:%s/hls/master/live.m3u8?titles=Mester%%20-%%20Dal\r\n' \
        "$stationd_port"
    printf 'adoNam1=Mester\r\npictur1=def\r\nenable1=1\r\n'
} > "$program/zvadok.ini"
start_display

first="HLS Előadó - Első dal"
second="HLS Előadó - Második dal"

step "start: zenovia /hallgat 1"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
switch_recording_on "$win"
from=$(history_lines)
wait_for "the second title after the first" 60 history_follows HLS "$first" "$second"
from=$(history_lines)
wait_for "the first title after the second" 60 history_follows HLS "$second" "$first"
song="$program/${second}_HLS.aac"
check_decodes "$song"
frames=$(python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
at = count = 0
while at + 7 <= len(data) and data[at] == 0xFF and data[at + 1] >> 4 == 0xF:
    at += (data[at + 3] & 3) << 11 | data[at + 4] << 3 | data[at + 5] >> 5
    count += 1
print(count if at == len(data) else -1)' "$song")
# Three seconds are 129.2 frames of 1024 samples at 44.1 kHz; -1: not whole frames.
[ "$frames" = 129 ] || [ "$frames" = 130 ] || {
    echo "$song: $frames frames, not the title's three seconds" >&2
    exit 1
}
step "the title's whole three seconds: $frames frames"
check_running

step "the master playlist: F2"
xdotool key --window "$win" F2
from=$(history_lines)
wait_for "the master's title" 60 history_follows Mester "Mester - Dal" "Mester - Dal"
wait_for "the master's recording" 60 has_bytes "$program/Mester - Dal_Mester.aac" 20000
check_decodes "$program/Mester - Dal_Mester.aac"
check_running
close_through_window_manager "$win"
