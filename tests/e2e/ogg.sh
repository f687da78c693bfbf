#!/usr/bin/env bash
# Chained Ogg stations as a user meets them: the installed receiver on a private Xvfb display with
# openbox, recording switched on, plays a loopback stationd station whose songs change codec (a
# Vorbis song, then an Opus one, over and over), then a FLAC station. Every song's title becomes a
# line of the history, in the order of the songs; every song's recording is a file of its own,
# named with its codec's extension (.ogg, .opus, .oga), that holds that one song (one beginning
# page) and decodes cleanly by itself.
#
# Usage: tests/e2e/ogg.sh BUILD_DIR
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
    printf 'adoUrl0=http://127.0.0.1:%s/ogg/mixed\r\nadoNam0=Vegyes\r\npictur0=def\r\nenable0=1\r\n' \
        "$stationd_port"
    printf 'adoUrl1=http://127.0.0.1:%s/ogg/flac\r\nadoNam1=Flac\r\npictur1=def\r\nenable1=1\r\n' \
        "$stationd_port"
} > "$program/zvadok.ini"
start_display

vorbis_song="Fehér Lili - Nyári eső"
opus_song="Kertész Bence - Őszi ágak"

# check_song FILE: one beginning page, and clean decoding.
check_song() {
    local beginnings complaints
    beginnings=$(python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
at = count = 0
while data[at:at + 4] == b"OggS" and at + 27 <= len(data):
    segments = data[at + 26]
    count += data[at + 5] & 2 != 0
    at += 27 + segments + sum(data[at + 27:at + 27 + segments])
print(count if at == len(data) else -1)' "$1")
    [ "$beginnings" = 1 ] || { echo "$1: $beginnings beginning pages (-1: not whole pages)" >&2; exit 1; }
    complaints=$(ffmpeg -nostdin -v error -i "$1" -f null - 2>&1) || true
    [ -z "$complaints" ] || { echo "$1 does not decode cleanly: $complaints" >&2; exit 1; }
    step "one song, decodes cleanly: ${1##*/} ($(stat -c %s "$1") bytes)"
}

step "start: zenovia /hallgat 1"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb start_receiver /hallgat 1
win=$(window_named Zenovia) || true
[ -n "$win" ] || { echo "no window titled Zenovia appeared" >&2; check_running; exit 1; }
switch_recording_on "$win"
# A song's file is checked once the next song has begun after it, with recording on.
from=$(history_lines)
wait_for "the Opus song after the Vorbis song" 60 history_follows Vegyes "$vorbis_song" "$opus_song"
check_song "$program/${vorbis_song}_Vegyes.ogg"
from=$(history_lines)
wait_for "the Vorbis song after the Opus song" 60 history_follows Vegyes "$opus_song" "$vorbis_song"
check_song "$program/${opus_song}_Vegyes.opus"
check_running

step "the FLAC station: F2"
xdotool key --window "$win" F2
from=$(history_lines)
wait_for "the second FLAC song after the first" 60 history_follows Flac "$vorbis_song" "$opus_song"
check_song "$program/${vorbis_song}_Flac.oga"
check_running
close_through_window_manager "$win"
