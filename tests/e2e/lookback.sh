#!/usr/bin/env bash
# A recording switched on in the middle of a song holds the whole song, watched from outside as a
# user meets it: a loopback stationd whose titles change after an exact number of audio bytes,
# the installed receiver on a private Xvfb display with openbox. The station plays from the
# command line; recording goes on in the settings dialog halfway through the second title; once
# the third title has begun, the second title's file must decode and hold that title from its
# first frame: its length within one frame of the title's bytes. It must also have begun with
# the kept bytes, more than the broadcast gives in one block.
#
# Usage: tests/e2e/lookback.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1")
source bench/support/stations.sh
source bench/support/display.sh
source tests/e2e/receiver.sh
source tests/e2e/window.sh

# 60 seconds of a 128 kbit/s stream per title, a whole number of metadata intervals.
title_bytes=960000
longest_frame=1441
mkdir -p "$tmp/station/audio"
cp tests/data/audio/bench128.mp3 "$tmp/station/audio/"
printf '[/elore]\nfile=audio/bench128.mp3\nicy-name=Elore\nicy-br=128\nmetaint=16000\n' \
    > "$tmp/station/stations.ini"
printf 'titles=Első dal|Második dal|Harmadik dal\ntitle_bytes=%d\n' "$title_bytes" \
    >> "$tmp/station/stations.ini"
run_stationd "$tmp/station" 0

install_receiver
printf '[Main]\r\npictdef=def\r\n[Adok]\r\nadoUrl0=%s\r\nadoNam0=Elore\r\npictur0=def\r\nenable0=1\r\n' \
    "http://127.0.0.1:$stationd_port/elore" > "$program/zvadok.ini"
start_display

step "start: zenovia /hallgat 1"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
started=$SECONDS
played_for() { [ $((SECONDS - started)) -ge "$1" ]; }

# The second title plays from 60 s to 120 s of the stream; 80 s after the start is in its first
# half, give or take the buffering.
wait_for "the middle of the second title" 150 played_for 80
switch_recording_on "$win"
second="$program/Második dal_Elore.mp3"
third="$program/Harmadik dal_Elore.mp3"
wait_for "the second title's recording" 30 has_bytes "$second" 1
first_size=$(stat -c %s "$second")
step "the second title's file began with $first_size bytes"
[ "$first_size" -ge 200000 ] || { echo "the file did not begin with the kept bytes" >&2; exit 1; }
wait_for "the third title's recording" 90 has_bytes "$third" 1
check_running
[ ! -e "$program/Első dal_Elore.mp3" ] || { echo "the first title was recorded" >&2; exit 1; }

check_decodes "$second"
size=$(stat -c %s "$second")
step "the second title's file: $size bytes of the title's $title_bytes"
# The library hands the bytes on in whole frames, so the file starts with the frame that holds
# the title's first byte and ends before the one that holds the next title's.
if [ "$size" -gt $((title_bytes + longest_frame)) ] || [ "$size" -lt $((title_bytes - longest_frame)) ]; then
    echo "the recording does not hold the title from its first frame" >&2
    exit 1
fi
close_through_window_manager "$win"
